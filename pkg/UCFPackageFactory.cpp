#include "pkg/UCFPackageFactory.h"

#include "pkg/ZipPackageFactory.h"

namespace pkg {

namespace {
zip::ZipPackageFactory& factory() {
  return *zip::ZipPackageFactory::getInstance();
}
}  // namespace

const char* UCFVersion::GetUCFVersion() {
  return "UCF_PACKAGE_VERSION=1.1.102.1";
}

UCFPackage UCFPackageFactory::openPackage(const std::string& path, openmode mode,
                                          IPkgFileSystem* fileSystem, IPkgPolicies* policies,
                                          IXMLParser* parser) {
  return UCFPackage(factory().openPackage(path, mode, fileSystem, policies, parser));
}

UCFPackage UCFPackageFactory::openPackage(std::shared_ptr<IPkgFSFileName> name, openmode mode,
                                          IPkgPolicies* policies, IXMLParser* parser) {
  return UCFPackage(factory().openPackage(std::move(name), mode, policies, parser));
}

UCFPackage UCFPackageFactory::openPackage(std::shared_ptr<IPkgFSFile> file, IPkgPolicies* policies,
                                          IXMLParser* parser) {
  return UCFPackage(factory().openPackage(std::move(file), policies, parser));
}

UCFPackage UCFPackageFactory::createConformingPackage(const std::string& path,
                                                      const std::string& mimeType, bool beginUpdate,
                                                      IPkgFileSystem* fileSystem,
                                                      IPkgPolicies* policies, IXMLParser* parser) {
  return UCFPackage(
      factory().createConformingPackage(path, mimeType, beginUpdate, fileSystem, policies, parser));
}

bool UCFPackageFactory::acceptPackage(const std::string& path, IPkgFileSystem* fileSystem) {
  return factory().acceptPackage(path, fileSystem);
}

bool UCFPackageFactory::acceptPackage(std::shared_ptr<IPkgFSFileName> name) {
  return factory().acceptPackage(std::move(name));
}

bool UCFPackageFactory::acceptPackage(std::shared_ptr<IPkgFSFile> file) {
  return factory().acceptPackage(std::move(file));
}

void UCFPackageFactory::setDefaultFileSystem(IPkgFileSystem* fileSystem) {
  factory().setDefaultFileSystem(fileSystem);
}

void UCFPackageFactory::setPackageXMLParser(IXMLParser* parser) {
  factory().setPackageXMLParser(parser);
}

std::string UCFPackageFactory::canonicalizePath(const std::string& path) {
  return factory().canonicalize(path, true);
}

std::string UCFPackageFactory::canonicalizeEntry(const std::string& path) {
  return factory().canonicalize(path, false);
}

const std::string& UCFPackageFactory::getPathSeparator() {
  return factory().getPathSeparator();
}
const std::string& UCFPackageFactory::getPathDot() {
  return factory().getPathDot();
}
const std::string& UCFPackageFactory::getSchemaSeparator() {
  return factory().getSchemaSeparator();
}
const std::string& UCFPackageFactory::getPathAnchor() {
  return factory().getPathAnchor();
}

}  // namespace pkg
