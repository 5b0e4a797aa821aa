#pragma once
// Reading compound (OLE2) files with libgsf, for the program's own checks of
// what an .xls holds.

#include <gsf/gsf.h>

#include <memory>
#include <string>

namespace sheetwise::host {

struct GObjectUnref {
  void operator()(void* object) const {
    if (object) g_object_unref(object);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

// Registers the library's types once, before any thread uses them; called by
// every reader and writer of containers (compound files, zip packages).
void GsfReady();

// Opens path as a compound file, checked first (CompoundFileCheck.h): every
// .xls the program reads itself goes through here. Throws DamagedContainer
// when reading it could not be survived, HostError when it cannot be read as
// a compound file.
GPtr<GsfInfile> OpenOle(const std::string& path);

// A child found by name, letter case ignored as compound files do; null when absent.
GPtr<GsfInput> ChildStream(GsfInfile* ole, const std::string& name);

}  // namespace sheetwise::host
