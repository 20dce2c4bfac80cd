#pragma once

#include <memory>
#include <string>

#include "pkg/IPackage.h"
#include "pkg/IPkgFileSystem.h"
#include "pkg/IXMLParser.h"
#include "pkg/PkgPropertyMgr.h"

namespace pkg {

// The common half of a package: its modes, file, file system, parser,
// properties and policies. Every operation but the destructor throws code
// 24 while the package is not open.
class BasePackage : public IPackage {
 public:
  // Over an opened file: its name object and file system are the file's.
  BasePackage(std::shared_ptr<IPkgFSFile> file, IPkgPolicies* policies, IXMLParser* parser);
  // Over a name not yet opened.
  BasePackage(std::shared_ptr<IPkgFSFileName> name, IPkgFileSystem* fileSystem,
              IPkgPolicies* policies, IXMLParser* parser);
  ~BasePackage() override;
  BasePackage(const BasePackage&) = delete;
  BasePackage& operator=(const BasePackage&) = delete;

  openmode getOpenMode(bool current) override;
  void setDefaultCompressionMethod(CompressionMethod method) override;
  CompressionMethod getDefaultCompressionMethod() override;
  bool isModified() override;
  // beginUpdate(newName, mode) then endUpdate().
  void saveAs(const std::string& newName, openmode mode) override;
  void saveAs(std::shared_ptr<IPkgFSFileName> newName, openmode mode) override;
  // The same as closeWithoutSave().
  void close() override;
  std::string getName() override;
  std::shared_ptr<IPkgFSFile> getFSFile() override;
  // The generic properties at the package path.
  std::string getProperty(UCFPropertyName name) override;
  void setProperty(UCFPropertyName name, const std::string& value) override;
  IPkgPolicies* getPolicies() override;
  // 0 for every policy when the package has no policies object.
  int getPolicy(Policies policy) override;

  // Not operations of IPackage: usable in any state.
  IXMLParser* getXMLParser() const { return m_xmlParser; }
  PkgPropertyMgr* getPropertyMgr() const { return m_propertyMgr.get(); }
  IPkgFileSystem* getFileSystem() const { return m_fileSystem; }
  bool isOpen() const { return m_open; }
  void setModified(bool modified) { m_modified = modified; }

 protected:
  void checkOpen() const;

  openmode m_currentMode;
  openmode m_modeAtOpen;
  CompressionMethod m_defaultMethod = deflate;
  std::shared_ptr<IPkgFSFile> m_file;
  std::shared_ptr<IPkgFSFileName> m_fileName;
  IPkgFileSystem* m_fileSystem;
  IXMLParser* m_xmlParser;
  std::unique_ptr<PkgPropertyMgr> m_propertyMgr;
  bool m_modified = false;
  bool m_open = false;
  IPkgPolicies* m_policies;
};

}  // namespace pkg
