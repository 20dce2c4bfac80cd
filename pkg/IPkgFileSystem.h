#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pkg/PkgTypes.h"

namespace pkg {

// A byte stream of the package file system: the package file, an update
// target or a temporary file. Failures throw PackageIOException.
class IPkgFSFileCommon {
 public:
  virtual ~IPkgFSFileCommon();
  virtual openmode getMode() = 0;
  virtual void close() = 0;
  // Reads up to n bytes; fewer (0 at the end of the file) is not a failure.
  virtual int read(void* buffer, int n) = 0;
  // Writes all n bytes or throws.
  virtual int write(const void* buffer, int n) = 0;
  // whence is SEEK_SET, SEEK_CUR or SEEK_END; returns the new position.
  virtual int64_t seek(int64_t offset, int whence) = 0;
  virtual int64_t tell() = 0;
  virtual void flush() = 0;
  virtual void truncate(int64_t length) = 0;
  // kFSCap* bits.
  virtual int getCapabilities() = 0;
  virtual bool isSeekable();
};

// A file name bound to the file system it belongs to.
class IPkgFSFileName {
 public:
  virtual ~IPkgFSFileName();
  virtual IPkgFileSystem* getFileSystem() = 0;
  virtual const std::string& getName() = 0;
};

class IPkgFSFile : public IPkgFSFileCommon {
 public:
  virtual IPkgFileSystem* getFileSystem() = 0;
  // The name of the file's name object.
  virtual std::string getName() = 0;
  // The name object itself.
  virtual std::shared_ptr<IPkgFSFileName> getFileName() = 0;
};

class IPkgFileSystem {
 public:
  virtual std::shared_ptr<IPkgFSFile> openFile(std::shared_ptr<IPkgFSFileName> name,
                                               openmode mode) = 0;
  // A new, empty, uniquely named temporary file opened for reading and writing.
  virtual std::shared_ptr<IPkgFSFile> createTempFile() = 0;
  virtual std::shared_ptr<IPkgFSFile> reopenTempFileByName(std::shared_ptr<IPkgFSFileName> name,
                                                           openmode mode) = 0;
  virtual void deleteTempFileByName(std::shared_ptr<IPkgFSFileName> name) = 0;
  virtual std::shared_ptr<IPkgFSFileName> getFSFileName(const std::string& name) = 0;
  virtual ~IPkgFileSystem();
};

}  // namespace pkg
