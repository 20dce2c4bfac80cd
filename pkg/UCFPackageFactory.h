#pragma once

#include <memory>
#include <string>

#include "pkg/IPkgFileSystem.h"
#include "pkg/IXMLParser.h"
#include "pkg/UCFPackage.h"

namespace pkg {

// The library's version text.
class UCFVersion {
 public:
  // "UCF_PACKAGE_VERSION=1.1.102.1"
  static const char* GetUCFVersion();
};

// The plain front of the package factory: every operation asks the zip
// package factory singleton.
class UCFPackageFactory {
 public:
  static UCFPackage openPackage(const std::string& path, openmode mode,
                                IPkgFileSystem* fileSystem = nullptr,
                                IPkgPolicies* policies = nullptr, IXMLParser* parser = nullptr);
  static UCFPackage openPackage(std::shared_ptr<IPkgFSFileName> name, openmode mode,
                                IPkgPolicies* policies = nullptr, IXMLParser* parser = nullptr);
  static UCFPackage openPackage(std::shared_ptr<IPkgFSFile> file, IPkgPolicies* policies = nullptr,
                                IXMLParser* parser = nullptr);
  static UCFPackage createConformingPackage(const std::string& path, const std::string& mimeType,
                                            bool beginUpdate, IPkgFileSystem* fileSystem = nullptr,
                                            IPkgPolicies* policies = nullptr,
                                            IXMLParser* parser = nullptr);
  static bool acceptPackage(const std::string& path, IPkgFileSystem* fileSystem = nullptr);
  static bool acceptPackage(std::shared_ptr<IPkgFSFileName> name);
  static bool acceptPackage(std::shared_ptr<IPkgFSFile> file);
  static void setDefaultFileSystem(IPkgFileSystem* fileSystem);
  static void setPackageXMLParser(IXMLParser* parser);

  // canonicalize(path, keepAnchor = true): a leading "/" stays.
  static std::string canonicalizePath(const std::string& path);
  // canonicalize(path, keepAnchor = false): an entry name.
  static std::string canonicalizeEntry(const std::string& path);
  static const std::string& getPathSeparator();
  static const std::string& getPathDot();
  static const std::string& getSchemaSeparator();
  static const std::string& getPathAnchor();
};

}  // namespace pkg
