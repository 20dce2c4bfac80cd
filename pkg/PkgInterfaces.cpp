// Out-of-line destructors of the library's interfaces, so that each has one
// home for its vtable.
#include "pkg/IPackage.h"
#include "pkg/IPkgEntry.h"
#include "pkg/IPkgFileSystem.h"
#include "pkg/IPkgStream.h"
#include "pkg/IXMLParser.h"

namespace pkg {

IPackage::~IPackage() = default;
IPkgEntry::~IPkgEntry() = default;
IPkgEntryIteratorImpl::~IPkgEntryIteratorImpl() = default;
IPkgFSFileCommon::~IPkgFSFileCommon() = default;
IPkgFSFileName::~IPkgFSFileName() = default;
IPkgFileSystem::~IPkgFileSystem() = default;
IXMLParser_EventHandler::~IXMLParser_EventHandler() = default;
IXMLParser::~IXMLParser() = default;
IPkgPolicies::~IPkgPolicies() = default;

bool IPkgFSFileCommon::isSeekable() {
  return (getCapabilities() & kFSCapSeek) != 0;
}

}  // namespace pkg
