#pragma once

#include <cstdint>
#include <ios>
#include <memory>
#include <string>

namespace pkg {

// Stream open-mode bits: in, out, trunc, app, ate, binary.
using openmode = std::ios_base::openmode;

// Compression methods, numbered as in the zip format.
enum CompressionMethod : uint16_t {
  stored = 0,
  deflate = 8,
};

// What getEntryType() and entryExists() answer.
enum EntryType : int {
  kEntryNone = 0,
  kEntryFile = 1,
  kEntryDirectory = 2,
};

// Named properties of a package or of its file entries.
enum UCFPropertyName : int {
  kZipPropDOSDate = 0,            // entry: DOS date of the records, hex text
  kZipPropDOSTime = 1,            // entry: DOS time of the records, hex text
  kZipPropMacTypeCreator = 2,     // entry: Macintosh type and creator (0x2705 record), hex text
  kZipPropArchiveComment = 1000,  // package: the archive comment
  kGenPropDateTime = 2000,        // entry, kept in the properties file
  kGenPropMacType = 2001,
  kGenPropMacCreator = 2002,
};

// Policy numbers a package asks of its policies object.
enum Policies : int {
  // Bit 1 (2): reject a missing or malformed mimetype entry; bit 0 (1): repair it.
  kPolicyMimetypeConformance = 100,
};
inline constexpr int kMimetypePolicyRepair = 1;
inline constexpr int kMimetypePolicyReject = 2;

// Capability bits of a file of the package file system.
inline constexpr int kFSCapRead = 1;
inline constexpr int kFSCapWrite = 2;
inline constexpr int kFSCapSeek = 4;
inline constexpr int kFSCapTell = 8;
inline constexpr int kFSCapTruncate = 16;

// Entries are handed out through shared pointers whose deleter calls
// release(): the package owns its entries and decides their lifetime.
template <class T>
using SPRefType = std::shared_ptr<T>;

// Raises the entry's reference count and wraps it in a handle that lowers it
// again when the last copy goes.
template <class T>
SPRefType<T> makeSPRef(T* entry) {
  if (!entry) return SPRefType<T>();
  entry->addRef();
  return SPRefType<T>(entry, [](T* e) { e->release(); });
}

// The library's single parameter bundle: 8-bit names that count as UTF-8.
struct BaseAppContext {
  using char_type = char;
  using string_type = std::string;
  static std::string fromUTF8(const char* text) { return text ? std::string(text) : std::string(); }
  static std::string toUTF8(const std::string& text) { return text; }
};

class IPackage;
class IPkgEntry;
class IPkgFile;
class IPkgDirectory;
class IPkgStream;
class IPkgFileSystem;
class IPkgFSFileCommon;
class IPkgFSFile;
class IPkgFSFileName;
class IPkgPolicies;
class IPkgEntryIteratorImpl;
class IXMLParser;

}  // namespace pkg
