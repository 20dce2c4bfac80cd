#pragma once

#include <memory>
#include <string>

#include "pkg/PkgTypes.h"

namespace pkg {

class IPackage {
 public:
  virtual ~IPackage();
  // The open mode now (current) or at opening.
  virtual openmode getOpenMode(bool current) = 0;
  virtual void setDefaultCompressionMethod(CompressionMethod method) = 0;
  virtual CompressionMethod getDefaultCompressionMethod() = 0;
  virtual bool isModified() = 0;
  virtual void beginUpdate() = 0;
  virtual void beginUpdate(const std::string& newName, openmode mode) = 0;
  virtual void beginUpdate(std::shared_ptr<IPkgFSFileName> newName, openmode mode) = 0;
  virtual void doUNSAFEUpdateInPlace() = 0;
  virtual void endUpdate() = 0;
  virtual void cancelUpdate() = 0;
  virtual void saveAs(const std::string& newName, openmode mode) = 0;
  virtual void saveAs(std::shared_ptr<IPkgFSFileName> newName, openmode mode) = 0;
  virtual void close() = 0;
  virtual void closeWithoutSave() = 0;
  // kEntryNone, kEntryFile or kEntryDirectory.
  virtual int entryExists(const std::string& path) = 0;
  virtual int entryExists(const std::string& path, SPRefType<IPkgDirectory> base) = 0;
  virtual SPRefType<IPkgFile> getFile(const std::string& path, bool mustExist) = 0;
  virtual SPRefType<IPkgFile> getFile(const std::string& path, SPRefType<IPkgDirectory> base) = 0;
  virtual SPRefType<IPkgDirectory> getDirectory(const std::string& path, bool mustExist) = 0;
  virtual SPRefType<IPkgDirectory> getDirectory(const std::string& path,
                                                SPRefType<IPkgDirectory> base) = 0;
  virtual SPRefType<IPkgDirectory> getRootDirectory() = 0;
  virtual std::string getName() = 0;
  virtual std::shared_ptr<IPkgFSFile> getFSFile() = 0;
  virtual void setMIMEType(const std::string& mimeType) = 0;
  virtual std::string getMIMEType() = 0;
  virtual std::string getProperty(UCFPropertyName name) = 0;
  virtual void setProperty(UCFPropertyName name, const std::string& value) = 0;
  virtual IPkgPolicies* getPolicies() = 0;
  virtual int checkConformance() = 0;
  virtual int getPolicy(Policies policy) = 0;
  // An iterator over the children of directory, or over every entry when
  // directory is empty; only an empty filter is supported (code 19).
  virtual void initIterator(std::shared_ptr<IPkgEntryIteratorImpl>& impl,
                            SPRefType<IPkgDirectory> directory, const std::string& filter) = 0;
};

}  // namespace pkg
