#include "host/OleFile.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "host/CompoundFileCheck.h"
#include "host/FailureReason.h"
#include "host/HostError.h"
#include "host/LibraryWarnings.h"
#include "host/Translate.h"
#include "host/AsciiCase.h"

namespace sheetwise::host {
namespace {

}  // namespace

// The library's object types are registered once, before any thread uses them:
// registering them from two threads at a time breaks them.
void GsfReady() {
  static std::once_flag once;
  std::call_once(once, [] {
    gsf_init();
    // A damaged container is reported as such; the library's own complaints
    // never reach standard error, they join the reason of the file read.
    QuietLibraryWarnings();
    g_type_ensure(GSF_INPUT_STDIO_TYPE);
    g_type_ensure(GSF_INFILE_MSOLE_TYPE);
    g_type_ensure(GSF_INFILE_ZIP_TYPE);
    g_type_ensure(GSF_OUTPUT_STDIO_TYPE);
    g_type_ensure(GSF_OUTFILE_MSOLE_TYPE);
    g_type_class_unref(g_type_class_ref(GSF_INPUT_STDIO_TYPE));
    g_type_class_unref(g_type_class_ref(GSF_INFILE_MSOLE_TYPE));
    g_type_class_unref(g_type_class_ref(GSF_INFILE_ZIP_TYPE));
    g_type_class_unref(g_type_class_ref(GSF_OUTPUT_STDIO_TYPE));
    g_type_class_unref(g_type_class_ref(GSF_OUTFILE_MSOLE_TYPE));
  });
}

GPtr<GsfInfile> OpenOle(const std::string& path) {
  GsfReady();
  CheckCompoundFile(path);
  GError* error = nullptr;
  GPtr<GsfInput> input(gsf_input_stdio_new(path.c_str(), &error));
  if (error) g_error_free(error);
  if (!input) throw HostError(UnreadableReason(path).value_or(Tr("cannot read %s", {path})));
  error = nullptr;
  GPtr<GsfInfile> ole(gsf_infile_msole_new(input.get(), &error));
  if (error) g_error_free(error);
  if (!ole) throw HostError(Tr("the workbook is damaged: %s is not a readable compound file", {path}));
  return ole;
}

GPtr<GsfInput> ChildStream(GsfInfile* ole, const std::string& name) {
  const int n = gsf_infile_num_children(ole);
  for (int i = 0; i < n; ++i) {
    const char* childName = gsf_infile_name_by_index(ole, i);
    if (childName && AsciiLower(childName) == AsciiLower(name)) {
      return GPtr<GsfInput>(gsf_infile_child_by_index(ole, i));
    }
  }
  return nullptr;
}

}  // namespace sheetwise::host
