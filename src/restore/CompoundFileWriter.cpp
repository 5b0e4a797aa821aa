#include "restore/CompoundFileWriter.h"

#include <algorithm>
#include <stdexcept>

namespace sheetwise::restore {
namespace {

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what); }

bool IsStorage(GsfInput* entry) {
  return GSF_IS_INFILE(entry) && gsf_infile_num_children(GSF_INFILE(entry)) >= 0;
}

void CopyClassId(GsfInput* from, GsfOutput* to) {
  guint8 id[16] = {};
  if (GSF_IS_INFILE_MSOLE(from) && gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(from), id)) {
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(to), id);
  }
}

void CopyEntry(GsfInput* from, GsfOutfile* parent, const std::string& name);

void CopyBytes(GsfInput* from, GsfOutput* to) {
  if (gsf_input_seek(from, 0, G_SEEK_SET)) Fail("cannot read a stream");  // true on failure
  constexpr gsf_off_t kChunk = 1 << 16;
  for (gsf_off_t left = gsf_input_size(from); left > 0;) {
    const gsf_off_t n = std::min(left, kChunk);
    const guint8* bytes = gsf_input_read(from, static_cast<size_t>(n), nullptr);
    if (!bytes || !gsf_output_write(to, static_cast<size_t>(n), bytes)) Fail("cannot copy a stream");
    left -= n;
  }
}

void CopyChildren(GsfInfile* from, GsfOutfile* to) {
  for (int i = 0, n = gsf_infile_num_children(from); i < n; ++i) {
    host::GPtr<GsfInput> child(gsf_infile_child_by_index(from, i));
    const char* name = gsf_infile_name_by_index(from, i);
    if (!child || !name) Fail("cannot read a storage");
    CopyEntry(child.get(), to, name);
  }
}

void CopyEntry(GsfInput* from, GsfOutfile* parent, const std::string& name) {
  const bool storage = IsStorage(from);
  host::GPtr<GsfOutput> to(gsf_outfile_new_child(parent, name.c_str(), storage));
  if (!to) Fail("cannot write an entry");
  if (storage) {
    CopyClassId(from, to.get());
    CopyChildren(GSF_INFILE(from), GSF_OUTFILE(to.get()));
  } else {
    CopyBytes(from, to.get());
  }
  if (!gsf_output_close(to.get())) Fail("cannot write an entry");
}

}  // namespace

CompoundFileWriter::CompoundFileWriter(const std::string& target) : file_(target) {
  host::GsfReady();
  GError* error = nullptr;
  sink_.reset(gsf_output_stdio_new(file_.path().c_str(), &error));
  if (error) g_error_free(error);
  if (!sink_) Fail("cannot write beside " + target);
  ole_.reset(gsf_outfile_msole_new(sink_.get()));
  if (!ole_) Fail("cannot write beside " + target);
}

CompoundFileWriter::~CompoundFileWriter() {
  ole_.reset();  // closed before the unfinished file is removed
  sink_.reset();
}

void CompoundFileWriter::classIdOf(GsfInfile* ole) { CopyClassId(GSF_INPUT(ole), GSF_OUTPUT(ole_.get())); }

void CompoundFileWriter::copy(GsfInput* entry, const std::string& name) { CopyEntry(entry, ole_.get(), name); }

void CompoundFileWriter::write(const std::string& name, const std::vector<uint8_t>& bytes) {
  host::GPtr<GsfOutput> to(gsf_outfile_new_child(ole_.get(), name.c_str(), FALSE));
  if (!to || !gsf_output_write(to.get(), bytes.size(), bytes.data()) || !gsf_output_close(to.get())) {
    Fail("cannot write a stream");
  }
}

void CompoundFileWriter::commit() {
  // Closing the compound file may close the file under it too.
  const bool written = gsf_output_close(GSF_OUTPUT(ole_.get())) &&
                       (gsf_output_is_closed(sink_.get()) || gsf_output_close(sink_.get()));
  ole_.reset();
  sink_.reset();
  if (!written) Fail("cannot write beside " + file_.target());
  file_.renameOverTarget();
}

}  // namespace sheetwise::restore
