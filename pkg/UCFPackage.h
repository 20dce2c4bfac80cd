#pragma once

#include <memory>
#include <string>

#include "pkg/BasePkgEntryIterator.h"
#include "pkg/IPackage.h"
#include "pkg/UCFPkgEntry.h"

namespace pkg {

// The plain front of a zip package: a handle that hands every operation to
// the package it holds. An empty handle answers with code 24.
class UCFPackage {
 public:
  UCFPackage() = default;
  explicit UCFPackage(std::shared_ptr<IPackage> package);

  openmode getOpenMode(bool current = true);
  void setDefaultCompressionMethod(CompressionMethod method);
  CompressionMethod getDefaultCompressionMethod();
  bool isModified();
  void beginUpdate();
  void beginUpdate(const std::string& newName, openmode mode);
  void beginUpdate(std::shared_ptr<IPkgFSFileName> newName, openmode mode);
  void doUNSAFEUpdateInPlace();
  void endUpdate();
  void cancelUpdate();
  void saveAs(const std::string& newName, openmode mode);
  void saveAs(std::shared_ptr<IPkgFSFileName> newName, openmode mode);
  void close();
  void closeWithoutSave();
  int entryExists(const std::string& path);
  int entryExists(const std::string& path, const UCFPkgDirectory& base);
  UCFPkgFile getFile(const std::string& path, bool mustExist = false);
  UCFPkgFile getFile(const std::string& path, const UCFPkgDirectory& base);
  UCFPkgDirectory getDirectory(const std::string& path, bool mustExist = false);
  UCFPkgDirectory getDirectory(const std::string& path, const UCFPkgDirectory& base);
  UCFPkgDirectory getRootDirectory();
  std::string getName();
  std::shared_ptr<IPkgFSFile> getFSFile();
  void setMIMEType(const std::string& mimeType);
  std::string getMIMEType();
  std::string getProperty(UCFPropertyName name);
  void setProperty(UCFPropertyName name, const std::string& value);
  int checkConformance();
  IPkgPolicies* getPolicies();
  int getPolicy(Policies policy);

  bool isValid() const { return m_package != nullptr; }
  const std::shared_ptr<IPackage>& handle() const { return m_package; }

 private:
  IPackage& package() const;
  std::shared_ptr<IPackage> m_package;
};

// Walks every entry of a package.
class UCFPkgEntryIterator {
 public:
  // The end.
  UCFPkgEntryIterator() = default;
  explicit UCFPkgEntryIterator(const UCFPackage& package);

  bool isValid() const;
  bool equal(const UCFPkgEntryIterator& other) const;
  // Code 24 on an invalid iterator.
  UCFPkgEntry operator*() const;
  UCFPkgEntryIterator& operator++();

 private:
  BasePkgEntryIterator m_iterator;
};

}  // namespace pkg
