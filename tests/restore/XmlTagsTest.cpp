// The tag scanner the restores splice with: tags found where they are, past
// comments, CDATA and quoted '>'; elements' ends; attributes as written.

#include <gtest/gtest.h>

#include "restore/XmlTags.h"

namespace sheetwise::restore {
namespace {

TEST(XmlTags, FindsElementsAttributesAndEnds) {
  const std::string xml =
      R"(<?xml version="1.0"?><r xmlns="urn:main" xmlns:c="urn:c"><!-- <pane/> --><![CDATA[<pane/>]]>)"
      R"(<v a='x>y' b="2"><pane state="frozen"/><c:pane/></v><pane/></r>)";
  const auto pane = FindElement(xml, "pane", 0);
  ASSERT_TRUE(pane);
  EXPECT_EQ(xml.substr(pane->begin, pane->end - pane->begin), R"(<pane state="frozen"/>)");
  EXPECT_TRUE(pane->empty);
  EXPECT_EQ(AttributeText(xml, *pane, "state"), "frozen");
  const auto prefixed = FindElement(xml, "pane", pane->end);
  ASSERT_TRUE(prefixed);
  EXPECT_EQ(prefixed->name, "c:pane");
  const auto v = FindElement(xml, "v", 0);
  ASSERT_TRUE(v);
  EXPECT_EQ(AttributeText(xml, *v, "a"), "x>y");
  EXPECT_EQ(AttributeText(xml, *v, "b"), "2");
  EXPECT_EQ(AttributeText(xml, *v, "c"), "");
  EXPECT_EQ(xml.substr(ElementEnd(xml, *v), 7), "<pane/>");
  EXPECT_FALSE(FindElement(xml, "pane", 0, pane->begin));
  EXPECT_EQ(RootNamespace(xml, ""), "urn:main");
  EXPECT_EQ(RootNamespace(xml, "c"), "urn:c");
  EXPECT_EQ(RootNamespace(xml, "d"), "");
  EXPECT_EQ(ElementEnd("<a><b></b>", *NextTag("<a><b></b>", 0)), std::string_view::npos);  // cut short
  EXPECT_FALSE(NextTag("<a b='>", 0));
}

TEST(XmlTags, OnlyPrefixTellsBytesThatMeanTheSameElsewhere) {
  const std::pair<const char*, bool> cases[] = {
      {R"(<pane xSplit="1"/><selection pane="bottomLeft"/>)", true},
      {R"(<pane xml:space="preserve" xmlns:x="urn:x"/>)", true},
      {R"(<x:pane/>)", false},
      {R"(<pane x:attr="1"/>)", false},
  };
  for (const auto& [bytes, portable] : cases) EXPECT_EQ(OnlyPrefix(bytes, ""), portable) << bytes;
  EXPECT_TRUE(OnlyPrefix(R"(<config:item config:name="a">1</config:item>)", "config"));
  EXPECT_FALSE(OnlyPrefix(R"(<config:item ooo:name="a"/>)", "config"));
}

}  // namespace
}  // namespace sheetwise::restore
