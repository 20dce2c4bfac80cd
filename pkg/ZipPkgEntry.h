#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pkg/BasePkgEntry.h"
#include "pkg/ZpCentralDirEntry.h"
#include "pkg/ZpLocalFileEntry.h"

namespace pkg::zip {

class ZipPackage;

// What files and directories of a zip package share: the entry's record in
// the package's central directory (null for a new entry), its record in the
// directory an update is building, and the local headers of both.
//
// Entries belong to their package's entry table. When the package closes or
// goes, the entries it handed out are detached: every later operation that
// needs the package fails with code 24 instead of reaching freed memory.
class ZipPkgEntry : public BasePkgEntry {
 public:
  ZipPkgEntry(const std::string& name, EntryType type, ZipPackage* package,
              std::shared_ptr<ZpCentralDirEntry> record);
  ~ZipPkgEntry() override;

  // Under the mimetype repair policy the mimetype entry cannot go (code
  // 45). A package open for reading and writing loses the entry's record at
  // once (the update's record during an update).
  void remove() override;
  // The directory the entry lies in (the root for a top-level entry).
  SPRefType<IPkgDirectory> getParent() override;

  // Copies the entry into the update target.
  virtual void write() = 0;
  // The update's record becomes the entry's record.
  virtual void endUpdate();
  // Drops what the update made for the entry.
  virtual void cancelUpdate();
  // Closes the entry's streams and drops its temporary data.
  virtual void closeEntry();

  // The package, or code 24 once it is closed or gone.
  ZipPackage& zipPackage() const;
  void detachFromPackage();
  bool isAttached() const { return m_zipPackage != nullptr; }

  const std::shared_ptr<ZpCentralDirEntry>& record() const { return m_record; }
  void setRecord(std::shared_ptr<ZpCentralDirEntry> record);
  const std::shared_ptr<ZpCentralDirEntry>& updateRecord() const { return m_updateRecord; }
  bool isDeletedInUpdate() const { return m_deletedInUpdate; }
  void revive();
  // Whether the entry holds nothing beyond what its record gives: no
  // change, stream, temporary data or update state. Such an entry can be
  // dropped and made again from its record without anyone noticing.
  virtual bool isPristine() const;
  // Set while the package holds the entry on its pending list.
  bool isPending() const { return m_pending; }
  void setPending(bool pending) { m_pending = pending; }
  // Marks an entry the package is taking off its lists.
  bool isDetaching() const { return m_detaching; }
  void setDetaching(bool detaching) { m_detaching = detaching; }

 protected:
  // The local header of the record, read from the package on first need.
  ZpLocalFileEntry& localHeader();
  // Where the entry's data starts: for writing in the update target, for
  // reading in the package file.
  uint64_t getZipFileStart(bool forWriting);
  // Starts the entry's data at the end of the update target: a new record
  // in the update's directory (a copy of the old one when raw) and the local
  // header made from it. Any record of the same name in that directory
  // gives way, so an entry written twice is listed once.
  void createZipData(bool raw);
  // Writes the update's local header at its record's offset.
  void writeUpdateLocalHeader();
  // Brings the written local header in line with the finished record.
  void finishUpdateData();

  ZipPackage* m_zipPackage;
  std::shared_ptr<ZpCentralDirEntry> m_record;
  std::shared_ptr<ZpCentralDirEntry> m_updateRecord;
  std::unique_ptr<ZpLocalFileEntry> m_local;
  std::unique_ptr<ZpLocalFileEntry> m_updateLocal;
  bool m_deletedInUpdate = false;
  bool m_pending = false;
  bool m_detaching = false;
};

}  // namespace pkg::zip
