#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "pkg/BasePackageFactory.h"
#include "pkg/PkgMutualExclusion.h"

namespace pkg::zip {

// Creates and recognises zip packages (a process-wide singleton). It holds
// the default file system (the library's own) and the XML parser handed to
// new packages (none until one is set).
class ZipPackageFactory : public BasePackageFactory {
 public:
  static ZipPackageFactory* getInstance();

  // The file system is the given one, else the factory's default; the
  // parser the given one, else the factory's.
  std::shared_ptr<IPackage> openPackage(const std::string& path, openmode mode,
                                        IPkgFileSystem* fileSystem = nullptr,
                                        IPkgPolicies* policies = nullptr,
                                        IXMLParser* parser = nullptr) override;
  // The file system is the name's, else the factory's default.
  std::shared_ptr<IPackage> openPackage(std::shared_ptr<IPkgFSFileName> name, openmode mode,
                                        IPkgPolicies* policies = nullptr,
                                        IXMLParser* parser = nullptr) override;
  std::shared_ptr<IPackage> openPackage(std::shared_ptr<IPkgFSFile> file,
                                        IPkgPolicies* policies = nullptr,
                                        IXMLParser* parser = nullptr) override;
  // A new package (out and trunc), in an update when asked, whose first
  // entry is a stored "mimetype" holding mimeType.
  std::shared_ptr<IPackage> createConformingPackage(const std::string& path,
                                                    const std::string& mimeType, bool beginUpdate,
                                                    IPkgFileSystem* fileSystem = nullptr,
                                                    IPkgPolicies* policies = nullptr,
                                                    IXMLParser* parser = nullptr) override;
  // Whether the file starts like a zip archive: a local header, or the end
  // record of an empty archive. The split-archive marker is code 16.
  bool acceptPackage(const std::string& path, IPkgFileSystem* fileSystem = nullptr) override;
  bool acceptPackage(std::shared_ptr<IPkgFSFileName> name) override;
  bool acceptPackage(std::shared_ptr<IPkgFSFile> file) override;
  void setDefaultFileSystem(IPkgFileSystem* fileSystem) override;
  void setPackageXMLParser(IXMLParser* parser) override;

  IPkgFileSystem* getDefaultFileSystem() const { return m_fileSystem; }
  IXMLParser* getPackageXMLParser() const { return m_parser; }

  ZipPackageFactory();
  ~ZipPackageFactory() override;

 private:
  static std::atomic<ZipPackageFactory*> s_instance;
  static PkgMutualExclusion s_mutex;

  IPkgFileSystem* m_fileSystem;
  IXMLParser* m_parser = nullptr;
};

}  // namespace pkg::zip
