#pragma once
// A compound (OLE2) file written anew to take the place of another: entries
// copied whole from compound files already open, or streams given as bytes.
// It is written beside the file it replaces and renamed over it only once
// complete, so that a failure leaves that file as it was and nothing else.

#include <gsf/gsf.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/OleFile.h"
#include "restore/SiblingFile.h"

namespace sheetwise::restore {

class CompoundFileWriter {
 public:
  // Starts the new file beside target; throws std::runtime_error when it cannot be made.
  explicit CompoundFileWriter(const std::string& target);
  CompoundFileWriter(const CompoundFileWriter&) = delete;
  CompoundFileWriter& operator=(const CompoundFileWriter&) = delete;
  // An unfinished file is removed; the target stays as it was.
  ~CompoundFileWriter();

  // The root storage's class id, as ole's.
  void classIdOf(GsfInfile* ole);
  // A top-level entry copied whole: a stream's bytes, or a storage with
  // everything below it and the class ids of its storages.
  void copy(GsfInput* entry, const std::string& name);
  // A top-level stream holding bytes.
  void write(const std::string& name, const std::vector<uint8_t>& bytes);
  // Completes the file and renames it over the target; throws std::runtime_error
  // when it cannot, the target then left as it was.
  void commit();

 private:
  SiblingFile file_;  // declared first: removed after the writers below are closed
  host::GPtr<GsfOutput> sink_;
  host::GPtr<GsfOutfile> ole_;
};

}  // namespace sheetwise::restore
