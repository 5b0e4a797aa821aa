// Shapes and part kinds counted in package text, on real writers' markup and on hostile text.

#include <gtest/gtest.h>

#include <string>

#include "verify/ShapeMarkup.h"

namespace sheetwise::verify {
namespace {

TEST(ShapeMarkup, DrawingShapesWithAnyPrefixButNoLookalikes) {
  const std::pair<std::string, size_t> cases[] = {
      {"<xdr:wsDr><xdr:twoCellAnchor><xdr:sp macro=\"\"><xdr:spPr/></xdr:sp></xdr:twoCellAnchor></xdr:wsDr>", 1},
      {"<sp/><cxnSp>\n<a:cxnSp\t/><p14:sp>", 4},
      {"<xdr:spPr/><xdr:cxnSpPr/><sp:spTree/><xdr:pic/></sp>", 0},
      {"<" + std::string(30000, 'w') + ":sp " + std::string(3, '<'), 1},
      {"<" + std::string(30000, 'w'), 0},
      {"", 0},
  };
  for (const auto& [text, shapes] : cases) EXPECT_EQ(CountDrawingShapes(text), shapes) << text.substr(0, 80);
}

TEST(ShapeMarkup, VmlShapesLessCommentBoxes) {
  const std::string note = "<v:shape id=\"N\"><x:ClientData ObjectType=\"Note\"/></v:shape>";
  const std::pair<std::string, size_t> cases[] = {
      {"<xml><v:shapetype id=\"t\"/><v:line id=\"L\"><x:ClientData ObjectType=\"Shape\"/></v:line>" + note, 1},
      {note + note, 0},
      {"<v:rect/><v:roundrect>\n<v:oval /><v:polyline><v:arc><v:curve><v:shape>", 7},
      {"<v:shape><x:ClientData ObjectType \n = \"Note\"/>", 0},
      {"<v:shape ObjectType" + std::string(30000, ' ') + "=\"Note\"/>", 0},
      {"ObjectType" + std::string(30000, ' '), 0},
  };
  for (const auto& [text, shapes] : cases) EXPECT_EQ(CountVmlShapes(text), shapes) << text.substr(0, 80);
}

TEST(ShapeMarkup, PartNamesByFolderStemAndExtension) {
  EXPECT_TRUE(PartNameIn("xl/charts/chart12.xml", "xl/charts/", "chart", ".xml"));
  EXPECT_TRUE(PartNameIn("XL/Charts/Chart.XML", "xl/charts/", "chart", ".xml"));
  EXPECT_FALSE(PartNameIn("xl/charts/style1.xml", "xl/charts/", "chart", ".xml"));
  EXPECT_FALSE(PartNameIn("xl/charts/_rels/chart1.xml.rels", "xl/charts/", "chart", ".xml"));
  EXPECT_FALSE(PartNameIn("xl/charts/sub/chart1.xml", "xl/charts/", "chart", ".xml"));
  EXPECT_TRUE(PartNameIn("xl/media/image1.png", "xl/media/", "", ""));
  EXPECT_FALSE(PartNameIn("xl/media/", "xl/media/", "", ""));
  EXPECT_TRUE(PartNameIn("xl/media/" + std::string(31991, 'n'), "xl/media/", "", ""));
  EXPECT_FALSE(PartNameIn("xl/drawings/drawing1.vml", "xl/drawings/", "", ".xml"));
}

}  // namespace
}  // namespace sheetwise::verify
