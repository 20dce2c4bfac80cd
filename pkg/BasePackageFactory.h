#pragma once

#include <memory>
#include <string>

#include "pkg/IPackage.h"
#include "pkg/IPkgFileSystem.h"
#include "pkg/IXMLParser.h"

namespace pkg {

// The package factory base: the path characters and the path rules.
class BasePackageFactory {
 public:
  BasePackageFactory();
  virtual ~BasePackageFactory();
  BasePackageFactory(const BasePackageFactory&) = delete;
  BasePackageFactory& operator=(const BasePackageFactory&) = delete;

  virtual std::shared_ptr<IPackage> openPackage(const std::string& path, openmode mode,
                                                IPkgFileSystem* fileSystem, IPkgPolicies* policies,
                                                IXMLParser* parser) = 0;
  virtual std::shared_ptr<IPackage> openPackage(std::shared_ptr<IPkgFSFileName> name, openmode mode,
                                                IPkgPolicies* policies, IXMLParser* parser) = 0;
  virtual std::shared_ptr<IPackage> openPackage(std::shared_ptr<IPkgFSFile> file,
                                                IPkgPolicies* policies, IXMLParser* parser) = 0;
  virtual std::shared_ptr<IPackage> createConformingPackage(
      const std::string& path, const std::string& mimeType, bool beginUpdate,
      IPkgFileSystem* fileSystem, IPkgPolicies* policies, IXMLParser* parser) = 0;
  virtual bool acceptPackage(const std::string& path, IPkgFileSystem* fileSystem) = 0;
  virtual bool acceptPackage(std::shared_ptr<IPkgFSFileName> name) = 0;
  virtual bool acceptPackage(std::shared_ptr<IPkgFSFile> file) = 0;
  virtual void setDefaultFileSystem(IPkgFileSystem* fileSystem) = 0;
  virtual void setPackageXMLParser(IXMLParser* parser) = 0;

  // The canonical form of an entry path: empty and "." segments dropped,
  // ".." removing the segment before it, everything from the segment holding
  // the anchor on kept as it stands; "/" when nothing is left. A leading
  // separator is kept only with keepAnchor. An empty path is code 22.
  std::string canonicalize(const std::string& path, bool keepAnchor) const;

  const std::string& getPathSeparator() const { return m_separator; }
  const std::string& getPathDot() const { return m_dot; }
  const std::string& getSchemaSeparator() const { return m_schemaSeparator; }
  const std::string& getPathAnchor() const { return m_anchor; }

 protected:
  std::string m_separator;
  std::string m_dot;
  std::string m_schemaSeparator;
  std::string m_anchor;
};

}  // namespace pkg
