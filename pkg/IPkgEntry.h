#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pkg/PkgTypes.h"

namespace pkg {

// An entry of a package: a file or a directory. Entries are owned by their
// package and handed out as SPRefType handles.
class IPkgEntry {
 public:
  virtual void remove() = 0;
  virtual bool isDeleted() = 0;
  virtual bool isModified() = 0;
  // Stored or deflate; anything else is refused with code 22.
  virtual void setCompressionMethod(CompressionMethod method) = 0;
  virtual CompressionMethod getCompressionMethod() = 0;
  // The full path inside the package.
  virtual const std::string& getName() = 0;
  virtual SPRefType<IPkgDirectory> getParent() = 0;
  // The owning package (not owned by the entry).
  virtual IPackage* getPackage() = 0;
  virtual void addRef() = 0;
  // Lowers the reference count; the entry is deleted when it reaches zero.
  virtual void release() = 0;
  virtual EntryType getEntryType() = 0;
  // Code 23 when the entry is of the other kind.
  virtual SPRefType<IPkgFile> toFile() = 0;
  virtual SPRefType<IPkgDirectory> toDirectory() = 0;
  virtual ~IPkgEntry();
};

class IPkgFile : public virtual IPkgEntry {
 public:
  // A stream over the entry's data; with raw set, the stored bytes as they
  // are in the archive.
  virtual std::shared_ptr<IPkgStream> open(openmode mode, bool raw) = 0;
  // -1 when the value does not fit 32 bits.
  virtual int32_t getSize() = 0;
  virtual int32_t getCompressedSize() = 0;
  virtual int64_t getSize64() = 0;
  virtual int64_t getCompressedSize64() = 0;
  virtual void setExpectedSize(int64_t size) = 0;
  virtual uint32_t getCRC32() = 0;
  virtual void setExpectedCRC32(uint32_t crc) = 0;
  virtual std::string resolvePath(const std::string& reference) = 0;
  virtual std::string getProperty(UCFPropertyName name) = 0;
  virtual void setProperty(UCFPropertyName name, const std::string& value) = 0;
};

class IPkgDirectory : public virtual IPkgEntry {
 public:
  virtual void create() = 0;
};

// The package's side of an entry iterator.
class IPkgEntryIteratorImpl {
 public:
  virtual SPRefType<IPkgEntry> dereference() = 0;
  virtual void increment() = 0;
  virtual bool isValid() = 0;
  virtual ~IPkgEntryIteratorImpl();
};

}  // namespace pkg
