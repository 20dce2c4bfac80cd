#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pkg/IPkgFileSystem.h"
#include "pkg/ZipRecords.h"
#include "pkg/ZpCentralDirEntry.h"

namespace pkg {
class PkgPropertyMgr;
}

namespace pkg::zip {

// The central directory of an archive: the end records, the archive
// comment, the 64-bit count, size and offset, and the records in file
// order. Opening runs readECD, readZip64Data and readCDEntries; writing runs
// writeCDEntries and writeECD at the end of the file.
class ZpCentralDir {
 public:
  // The farthest the end record can lie from the end of the file: its own
  // 22 bytes and the longest comment.
  static constexpr uint64_t kMaxECDSearch = 22 + 0xFFFF;

  explicit ZpCentralDir(bool reserveRoom = true);
  ~ZpCentralDir();
  ZpCentralDir(const ZpCentralDir&) = delete;
  ZpCentralDir& operator=(const ZpCentralDir&) = delete;

  // Finds the end record within the last 65,557 bytes of the file. The
  // first record from the end whose comment reaches exactly the end of the
  // file and whose directory lies right before it wins; then one that only
  // reaches the end (an archive hidden in a comment loses to the real one);
  // then one with a comment and its directory before it but bytes behind
  // it. A record without a comment and with bytes behind it is not taken.
  // Codes: 10 the file cannot seek or is too short, 11 no end record, 6 the
  // comment runs past the end, 16 a split archive. The comment becomes
  // property 1000.
  void readECD(IPkgFSFileCommon& file, PkgPropertyMgr* properties);
  // When the end record marks a field as held in Zip64 records, reads the
  // locator and the Zip64 end record. Codes 12 to 16.
  void readZip64Data(IPkgFSFileCommon& file);
  // Reads the records. Code 9 for a count the directory's size or the file
  // cannot hold. The DOS date and time of each record become its name's
  // properties, unless datesWhenAsked: then the properties manager asks the
  // records for them (setRecordDates). Where names repeat they are all set
  // now, the last record of a name winning, since a look-up by name finds
  // the first.
  void readCDEntries(IPkgFSFileCommon& file, PkgPropertyMgr* properties,
                     bool datesWhenAsked = false);

  // Writes every record at the file's position, which becomes the
  // directory's offset; the size is what was written.
  void writeCDEntries(IPkgFSFileCommon& file, PkgPropertyMgr* properties);
  // Writes the end records (Zip64 ones when the count, size or offset need
  // them) and the comment (property 1000, or the comment read).
  void writeECD(IPkgFSFileCommon& file, PkgPropertyMgr* properties);

  // The first record of that name (byte for byte), or null.
  std::shared_ptr<ZpCentralDirEntry> getCDirEntry(const std::string& name) const;
  // Appends; the count grows by one and the size by the record's size.
  void addCDirEntry(std::shared_ptr<ZpCentralDirEntry> entry);
  // Removes the first record of that name; false when there is none.
  bool deleteCDirEntry(const std::string& name);

  // Every record; the first call after reading makes them all.
  const std::vector<std::shared_ptr<ZpCentralDirEntry>>& getEntries() const;
  size_t recordCount() const;

  // The records as read, kept as their bytes: a record object is made when
  // one is asked for, and stays the same object while anyone holds it.
  class RawRecords;
  // The records in file order, fixed when made: a list that stays as it is
  // while the directory changes, without making every record.
  class RecordList {
   public:
    size_t size() const;
    std::shared_ptr<ZpCentralDirEntry> at(size_t i) const;

   private:
    friend class ZpCentralDir;
    std::shared_ptr<const RawRecords> m_raw;
    std::vector<std::shared_ptr<ZpCentralDirEntry>> m_copy;
  };
  RecordList records() const;
  // Whether no two records share a name (false once a record is added, as
  // an update may list a name again).
  bool hasUniqueNames() const { return m_uniqueNames; }
  uint64_t getCount() const { return m_count; }
  uint64_t getCDSize() const { return m_cdSize; }
  uint64_t getCDOffset() const { return m_cdOffset; }
  void setCDOffset(uint64_t offset) { m_cdOffset = offset; }
  const std::vector<uint8_t>& getComment() const { return m_comment; }
  void setComment(const std::vector<uint8_t>& comment) { m_comment = comment; }
  // Where the end record was found (0 before readECD).
  uint64_t getECDPosition() const { return m_ecdPosition; }

  const EndCentralDirectory& getECD() const { return m_ecd; }
  const Zip64EndCentralDirectory& getZip64ECD() const { return m_zip64Ecd; }
  const Zip64EndCentralDirectoryLocator& getZip64Locator() const { return m_zip64Locator; }

 private:
  bool hasZip64Markers() const;
  // Whether a Zip64 locator lies right before the end record and points
  // at a Zip64 end record before it.
  bool zip64RecordsBefore(IPkgFSFileCommon& file, uint64_t ecdPosition);

  EndCentralDirectory m_ecd;
  Zip64EndCentralDirectory m_zip64Ecd;
  Zip64EndCentralDirectoryLocator m_zip64Locator;
  std::vector<uint8_t> m_comment;
  uint64_t m_count = 0;
  uint64_t m_cdSize = 0;
  uint64_t m_cdOffset = 0;
  uint64_t m_fileSize = 0;
  uint64_t m_ecdPosition = 0;
  // Where the directory must end: the Zip64 end record or the end record.
  uint64_t m_directoryLimit = 0;
  // Makes every record of the bytes read; from then on m_entries holds them.
  void makeAllRecords() const;
  // The records read, until something needs them all (null then).
  mutable std::shared_ptr<RawRecords> m_raw;
  mutable std::vector<std::shared_ptr<ZpCentralDirEntry>> m_entries;
  bool m_uniqueNames = true;
  // The first record of each name, made at the first search by name (an
  // archive that is only listed never needs it).
  void buildIndex() const;
  mutable bool m_indexed = false;
  mutable bool m_walkedOnce = false;
  mutable std::unordered_map<std::string, std::shared_ptr<ZpCentralDirEntry>> m_byName;
  // The same while the records are bytes: a name to the record's position.
  mutable std::unordered_map<std::string_view, uint32_t> m_rawByName;
};

}  // namespace pkg::zip
