#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pkg/PkgTempFile.h"
#include "pkg/ZipPkgEntry.h"
#include "pkg/ZipPkgStream.h"

namespace pkg::zip {

// A file entry of a zip package. New contents wait in a temporary file
// until an update writes them, or, inside an update, go straight into the
// update target when no other entry does so at the time.
class ZipPkgFile : public ZipPkgEntry, public BasePkgFile, public IZipStreamOwner {
 public:
  // The name must be non-empty and must not end with "/" (code 22); with
  // mustExist, a name without a record is code 21.
  ZipPkgFile(const std::string& name, bool mustExist, ZipPackage* package);
  // Made from a record of the central directory.
  ZipPkgFile(const std::string& name, ZipPackage* package,
             std::shared_ptr<ZpCentralDirEntry> record);
  ~ZipPkgFile() override;

  SPRefType<IPkgFile> toFile() override;
  SPRefType<IPkgDirectory> toDirectory() override;

  // in or out, not both (19), not neither (22). Reading: the temporary file
  // when there is one, else the record's data (code 26 when the package
  // cannot read, 21 without a record; encrypted entries and methods other
  // than stored and deflate are code 19 unless raw). Writing: one writer at
  // a time (code 24).
  std::shared_ptr<IPkgStream> open(openmode mode, bool raw) override;
  int32_t getSize() override;
  int32_t getCompressedSize() override;
  int64_t getSize64() override;
  int64_t getCompressedSize64() override;
  void setExpectedSize(int64_t size) override;
  uint32_t getCRC32() override;
  void setExpectedCRC32(uint32_t crc) override;
  std::string resolvePath(const std::string& reference) override;
  // Names 0 to 2 are the zip properties of the entry (setting one while
  // the entry is open for writing is code 23); others the generic ones.
  std::string getProperty(UCFPropertyName name) override;
  void setProperty(UCFPropertyName name, const std::string& value) override;

  void write() override;
  void endUpdate() override;
  void cancelUpdate() override;
  // Closes every open stream and removes the temporary file.
  void closeEntry() override;
  bool isPristine() const override;
  // Copies the current contents into a new temporary file.
  void createTempFile();
  bool hasTempFile() const { return m_tempFile.exists(); }
  bool isOpenForWrite() const { return m_openForWrite; }
  // Closes the stream writing straight into the update target, if any.
  void closeDirectStream();

  // IZipStreamOwner
  std::shared_ptr<IPkgFSFileCommon> streamTempFile() override;
  std::shared_ptr<IPkgFSFileCommon> streamCreateTempFile() override;
  void streamWriteLocalHeader() override;
  void streamSetSizes(uint64_t uncompressed, uint64_t compressed, uint32_t crc) override;
  void streamClosed(ZipPkgStream* stream) override;
  SPRefType<IPkgFile> streamFile() override;

 private:
  static const std::string& checkedName(const std::string& name);
  // Whether the temporary file holds the entry's current contents.
  bool tempIsCurrent() const;
  void closeStreams(bool writersOnly);
  std::shared_ptr<IPkgFSFile> freshTempFile();

  std::vector<ZipPkgStream*> m_streams;
  bool m_openForWrite = false;
  PkgTempFile m_tempFile;
  uint64_t m_tempSize = 0;
  ZipPkgStream* m_directStream = nullptr;
  // A write into the update target is in progress (direct or by write()).
  bool m_targetWrite = false;
  bool m_hasExpectedSize = false;
  int64_t m_expectedSize = 0;
  bool m_hasExpectedCRC = false;
  uint32_t m_expectedCRC = 0;
};

}  // namespace pkg::zip
