#pragma once

#include <cstdint>
#include <iostream>
#include <memory>
#include <string>

#include "pkg/IPkgEntry.h"
#include "pkg/IPkgStream.h"
#include "pkg/PkgTypes.h"

namespace pkg {

class UCFPkgFile;
class UCFPkgDirectory;

// The plain front of the package library's entries: handles over the zip
// package's entries, each operation handed to the entry it stands for. An
// empty handle answers every operation with code 24.
class UCFPkgEntry {
 public:
  UCFPkgEntry() = default;
  explicit UCFPkgEntry(SPRefType<IPkgEntry> entry);
  virtual ~UCFPkgEntry();

  // Marks the entry deleted and modified, and the package modified.
  void remove();
  bool isDeleted();
  bool isModified();
  // Stored or deflate; anything else is code 22.
  void setCompressionMethod(CompressionMethod method);
  CompressionMethod getCompressionMethod();
  const std::string& getName();
  UCFPkgDirectory getParent();
  IPackage* getPackage();
  void addRef();
  void release();
  EntryType getEntryType();
  // Code 23 for the other kind.
  UCFPkgFile toFile();
  UCFPkgDirectory toDirectory();

  bool isValid() const { return m_entry != nullptr; }
  const SPRefType<IPkgEntry>& handle() const { return m_entry; }

 protected:
  IPkgEntry& entry() const;

  SPRefType<IPkgEntry> m_entry;
};

// An open stream over a file entry's data.
class UCFPkgStream {
 public:
  UCFPkgStream() = default;
  explicit UCFPkgStream(std::shared_ptr<IPkgStream> stream);

  void close();
  UCFPkgFile getFile();
  // The standard stream to read or write with.
  std::iostream& stream();
  const std::shared_ptr<IPkgStream>& handle() const { return m_stream; }

 private:
  std::shared_ptr<IPkgStream> m_stream;
};

class UCFPkgFile : public UCFPkgEntry {
 public:
  UCFPkgFile() = default;
  explicit UCFPkgFile(SPRefType<IPkgFile> file);

  UCFPkgStream open(openmode mode, bool raw = false);
  int32_t getSize();
  int32_t getCompressedSize();
  int64_t getSize64();
  int64_t getCompressedSize64();
  void setExpectedSize(int64_t size);
  uint32_t getCRC32();
  void setExpectedCRC32(uint32_t crc);
  std::string resolvePath(const std::string& reference);
  std::string getProperty(UCFPropertyName name);
  void setProperty(UCFPropertyName name, const std::string& value);

  const SPRefType<IPkgFile>& fileHandle() const { return m_file; }

 private:
  IPkgFile& file() const;
  SPRefType<IPkgFile> m_file;
};

class UCFPkgDirectory : public UCFPkgEntry {
 public:
  UCFPkgDirectory() = default;
  explicit UCFPkgDirectory(SPRefType<IPkgDirectory> directory);

  void create();

  const SPRefType<IPkgDirectory>& directoryHandle() const { return m_directory; }

 private:
  SPRefType<IPkgDirectory> m_directory;
};

}  // namespace pkg
