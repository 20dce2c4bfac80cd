#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pkg/IPkgEntry.h"
#include "pkg/ZpCentralDir.h"
#include "pkg/ZpCentralDirEntry.h"

namespace pkg::zip {

class ZipPackage;
class ZipPkgEntry;

// Lists the entries of a zip package: first those of the central directory
// in their stored order, then those added since, skipping removed ones.
// Given a directory, it lists only the directory's direct children: a
// deeper entry shows up once, as the child directory it lies in.
class ZipPkgEntryIteratorImpl : public IPkgEntryIteratorImpl {
 public:
  // directory: the directory's name ("" for every entry, "/" for the root).
  ZipPkgEntryIteratorImpl(ZipPackage* package, const std::string& directory, bool everyEntry);
  ~ZipPkgEntryIteratorImpl() override;

  SPRefType<IPkgEntry> dereference() override;
  void increment() override;
  bool isValid() override;

 private:
  // Moves to the first listable entry from the current position on.
  void settle();
  // Whether the entry at the current position is listed; sets m_current
  // (and m_subdirectory when a child directory stands for it).
  bool take();
  void forgetMade();

  ZipPackage* m_package;
  std::string m_directory;
  bool m_everyEntry;
  ZpCentralDir::RecordList m_records;
  std::vector<SPRefType<ZipPkgEntry>> m_pending;
  size_t m_position = 0;
  SPRefType<IPkgEntry> m_current;
  SPRefType<IPkgEntry> m_subdirectory;
  // The entry take() made for the current record, forgotten again on
  // increment when the caller kept nothing of it: a listing of many entries
  // holds one at a time.
  SPRefType<ZipPkgEntry> m_made;
  std::set<std::string> m_listedSubdirectories;
};

}  // namespace pkg::zip
