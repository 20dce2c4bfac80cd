#pragma once

#include <cstddef>
#include <cstdint>

#include <string>

#include "pkg/IPkgFileSystem.h"
#include "pkg/ZipRecords.h"

namespace pkg {
class PkgPropertyMgr;
}

namespace pkg::zip {

// Reads until n bytes arrived or the file ends; returns the count read.
size_t readFully(IPkgFSFileCommon& file, void* buffer, size_t n);
// Writes all n bytes (in pieces an int can count).
void writeFully(IPkgFSFileCommon& file, const void* buffer, size_t n);

// The entry's property 2 as eight bytes; false when it is empty (or there
// are no properties).
bool macTypeCreatorOf(PkgPropertyMgr* properties, const std::string& name,
                      FileTypeAndCreator_2705& out);
// Properties 0 and 1, when present, replace the DOS date and time.
void applyDateTimeProperties(PkgPropertyMgr* properties, const std::string& name, uint16_t& date,
                             uint16_t& time);

}  // namespace pkg::zip
