// Out-of-line destructors of the library's interfaces, so that each has one
// home for its vtable.
#include "package/pkg/IPackage.h"
#include "package/pkg/IPkgEntry.h"
#include "package/pkg/IPkgFileSystem.h"
#include "package/pkg/IPkgStream.h"
#include "package/pkg/IXMLParser.h"

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

bool IPkgFSFileCommon::isSeekable() { return (getCapabilities() & kFSCapSeek) != 0; }

}  // namespace pkg
