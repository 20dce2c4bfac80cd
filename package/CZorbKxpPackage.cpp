#include "package/CZorbKxpPackage.h"

#include <fcntl.h>
#include <zlib.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/CFile.h"
#include "foundation/CResFile.h"
#include "foundation/CZorbDateTime.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPackageNameSet.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/Logger.h"
#include "platform/os/Catalog.h"
#include "platform/os/ColonPath.h"
#include "platform/os/FileRef.h"
#include "platform/os/FileSystem.h"
#include "platform/os/Fork.h"
#include "platform/os/MacStatus.h"

thread_local unsigned char CZorbKxpPackage::m_rawBuffer[CZorbKxpPackage::kRawBufferSize];
thread_local unsigned char CZorbKxpPackage::m_compBuffer[CZorbKxpPackage::kCompBufferSize];

namespace {

constexpr unsigned int kOpenRead = 0;
constexpr unsigned int kOpenWrite = 1;
constexpr unsigned int kOpenCreate = 4097;

// One deflate and one inflate stream per thread, reset between chunks: a
// package holds thousands of chunks, and setting zlib up for each one would
// cost more than the inflating itself. The output is the same as that of
// compress and uncompress.
class ZlibStreams {
 public:
  ZlibStreams() = default;
  ~ZlibStreams() {
    if (m_deflateReady) deflateEnd(&m_deflate);
    if (m_inflateReady) inflateEnd(&m_inflate);
  }
  ZlibStreams(const ZlibStreams&) = delete;
  ZlibStreams& operator=(const ZlibStreams&) = delete;

  int Compress(const void* src, uint32_t srcLen, void* dst, uint32_t& dstLen) {
    int err = m_deflateReady ? deflateReset(&m_deflate) : Init(true);
    if (err != Z_OK) return err;
    m_deflate.next_in = static_cast<Bytef*>(const_cast<void*>(src));
    m_deflate.avail_in = srcLen;
    m_deflate.next_out = static_cast<Bytef*>(dst);
    m_deflate.avail_out = dstLen;
    err = deflate(&m_deflate, Z_FINISH);
    dstLen -= m_deflate.avail_out;
    if (err == Z_STREAM_END) return Z_OK;
    return err == Z_OK ? Z_BUF_ERROR : err;
  }

  int Decompress(const void* src, uint32_t srcLen, void* dst, uint32_t& dstLen) {
    int err = m_inflateReady ? inflateReset(&m_inflate) : Init(false);
    if (err != Z_OK) return err;
    m_inflate.next_in = static_cast<Bytef*>(const_cast<void*>(src));
    m_inflate.avail_in = srcLen;
    m_inflate.next_out = static_cast<Bytef*>(dst);
    m_inflate.avail_out = dstLen;
    err = inflate(&m_inflate, Z_FINISH);
    dstLen -= m_inflate.avail_out;
    if (err == Z_STREAM_END) return Z_OK;
    if (err == Z_NEED_DICT || (err == Z_BUF_ERROR && m_inflate.avail_in == 0)) return Z_DATA_ERROR;
    return err == Z_OK ? Z_BUF_ERROR : err;
  }

 private:
  int Init(bool forDeflate) {
    if (forDeflate) {
      m_deflate = z_stream{};
      const int err = deflateInit(&m_deflate, Z_DEFAULT_COMPRESSION);
      m_deflateReady = err == Z_OK;
      return err;
    }
    m_inflate = z_stream{};
    const int err = inflateInit(&m_inflate);
    m_inflateReady = err == Z_OK;
    return err;
  }

  z_stream m_deflate{};
  z_stream m_inflate{};
  bool m_deflateReady = false;
  bool m_inflateReady = false;
};

ZlibStreams& Streams() {
  static thread_local ZlibStreams streams;
  return streams;
}

std::optional<std::string> PosixOf(const CString& colonPath) {
  return platform::colonToPosix(std::u16string_view(colonPath.Get(), colonPath.GetLength()));
}

// Dates a file this unpacking has just made (so its own, and writable).
bool SetDate(const platform::FSRef& ref, const CZorbDateTime& date) {
  platform::CatalogInfo info;
  info.contentModDate.tv_sec = date.GetTime();
  info.contentModDate.tv_nsec = 0;
  return platform::setCatalogInfo(ref, platform::kCatContentModDate, info) == platform::noErr;
}

// The same by its path, with one look-up.
bool SetDate(const CString& colonPath, const CZorbDateTime& date) {
  const std::optional<std::string> posix = PosixOf(colonPath);
  platform::FSRef ref;
  if (!posix || platform::resolvePath(*posix, ref) != platform::noErr) return false;
  return SetDate(ref, date);
}

// The name a new file of that POSIX name gets: its first 255 units.
bool NewFileName(const std::string& posixName, std::string& newName) {
  platform::HFSUniStr255 hfsName;
  return platform::posixNameToHfs(posixName, hfsName) && platform::hfsNameToPosix(hfsName, newName);
}

// Bytes a file's fork gathers before one write: many chunks.
constexpr size_t kWriteBatch = 128 * 1024;

// Writes out what a buffered stream still holds and closes the file; the
// status of the last write, which Close alone would lose.
int CloseChecked(CFile& file) {
  int status = 0;
  if (file.m_fileBuffer) status = file.m_fileBuffer->Flush();
  file.Close();
  return status;
}

uint32_t ReadUInt32(CFile& file, uint32_t& value) {
  return CZorbKxpPackage::ReadOrdered(file, &value, 4);
}

int WriteUInt32(CFile& file, uint32_t value) {
  return CZorbKxpPackage::WriteOrdered(file, &value, 4);
}

// The header of a fork run's next chunk: 1 with its sizes, 0 at the run's
// end, -1 when it is cut short or names sizes no chunk can have.
int ReadChunkHeader(CFile& file, uint32_t& raw, uint32_t& comp) {
  if (ReadUInt32(file, raw) != 4) return -1;
  if (raw == 0) return 0;
  if (ReadUInt32(file, comp) != 4) return -1;
  if (raw > CZorbKxpPackage::kChunkSize || comp == 0 || comp > CZorbKxpPackage::kCompBufferSize)
    return -1;
  return 1;
}

// The folder as a prefix for stored names: with its trailing ":", so that a
// name can never become a sibling of the folder.
CString FolderPrefix(const char16_t* folder) {
  CString prefix(folder);
  if (prefix.GetLength() > 0 && prefix.GetAt(prefix.GetLength() - 1) != u':') prefix += u':';
  return prefix;
}

}  // namespace

struct CZorbKxpPackage::ScanResult {
  uint64_t expandedBytes = 0;
  uint32_t entries = 0;
  uint32_t chunks = 0;
  // Stop as soon as the unpack limits are passed (zero: no limits).
  bool checkLimits = false;
  UnpackLimits limits{};
  // The folder the names must fit below, when known.
  CString folder;
};

CZorbKxpPackage::CZorbKxpPackage(const char16_t* fileName) {
  m_fileNameEncoding = CZorbUnicodeConverter::GetDefaultEncoding();
  if (fileName) SetFileName(fileName);
}

CZorbKxpPackage::~CZorbKxpPackage() = default;

// ---------------------------------------------------------------------------
// Byte order, dates and chunks
// ---------------------------------------------------------------------------

int CZorbKxpPackage::WriteOrdered(CFile& file, const void* data, uint32_t n) {
  return file.Write(data, n);
}

uint32_t CZorbKxpPackage::ReadOrdered(CFile& file, void* data, uint32_t n) {
  return file.Read(data, n);
}

int CZorbKxpPackage::WriteReverse(CFile& file, const void* data, uint32_t n) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  unsigned char reversed[8];
  if (n > sizeof reversed) return platform::paramErr;
  for (uint32_t i = 0; i < n; ++i) reversed[i] = bytes[n - 1 - i];
  return file.Write(reversed, n);
}

uint32_t CZorbKxpPackage::ReadReverse(CFile& file, void* data, uint32_t n) {
  auto* bytes = static_cast<unsigned char*>(data);
  uint32_t total = 0;
  for (uint32_t i = 0; i < n; ++i) total += file.Read(bytes + n - 1 - i, 1);
  return total;
}

int CZorbKxpPackage::WriteDate(CFile& file, const CZorbDateTime& date) {
  const uint16_t fields[6] = {date.GetYear(), date.GetMonth(),  date.GetDay(),
                              date.GetHour(), date.GetMinute(), date.GetSecond()};
  for (uint16_t field : fields)
    if (const int status = WriteOrdered(file, &field, 2)) return status;
  return 0;
}

bool CZorbKxpPackage::ReadDate(CFile& file, CZorbDateTime& date) {
  uint16_t fields[6];
  for (uint16_t& field : fields)
    if (ReadOrdered(file, &field, 2) != 2) return false;
  date.Set(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
  return true;
}

int CZorbKxpPackage::Compress(const void* src, uint32_t srcLen, void* dst, uint32_t& dstLen) {
  if (!src || !dst) return -1;
  return Streams().Compress(src, srcLen, dst, dstLen);
}

int CZorbKxpPackage::Decompress(const void* src, uint32_t srcLen, void* dst, uint32_t& dstLen) {
  if (!src || !dst) return -1;
  if (m_compression != 1) return -3;
  return Streams().Decompress(src, srcLen, dst, dstLen);
}

bool CZorbKxpPackage::EnsureFolderExists(const char16_t* folder) {
  if (CZorbOS::DirectoryExists(folder)) return true;
  const CString path(folder);
  const int32_t colon = path.ReverseFind(u':');
  if (colon < 0) return false;
  const CString parent = path.Left(colon);
  if (!parent.GetLength() || !EnsureFolderExists(parent)) return false;
  return CZorbOS::CreateDirectory(folder, true);
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

int CZorbKxpPackage::Create(const char16_t* fileName, int version) {
  if (version > 0) m_version = static_cast<uint32_t>(version);
  if (fileName) SetFileName(fileName);
  if (!m_fileName[0]) return -1;
  CFile file;
  file.m_type = kFileType;
  file.m_creator = m_creator;
  if (!file.Open(m_fileName, kOpenCreate)) return -1;
  int status = WriteUInt32(file, m_version);
  if (!status) status = WriteUInt32(file, m_compression);
  if (const int closed = CloseChecked(file); !status) status = closed;
  return status ? -1 : 0;
}

int CZorbKxpPackage::PackFile(const char16_t* sourcePath, bool withResourceFork,
                              bool stripExtension) {
  if (!sourcePath || !sourcePath[0]) return -1;
  CString relativeName;
  if (!CutRelativeRoot(sourcePath, relativeName)) return -1;
  return PackFile(relativeName, sourcePath, withResourceFork, stripExtension);
}

int CZorbKxpPackage::PackFile(const char16_t* relativeName, const char16_t* sourcePath,
                              bool withResourceFork, bool stripExtension) {
  const CString name(relativeName);
  switch (m_version) {
    case 2:
      return PackFile_2(name, sourcePath);
    case 3:
      return PackFile_3(name, sourcePath, withResourceFork, stripExtension);
    case 4:
      SetFileNameEncoding(kUTF8);
      return PackFile_3(name, sourcePath, withResourceFork, stripExtension);
    default:
      return -1;
  }
}

int CZorbKxpPackage::PackFile_2(const CString& relativeName, const char16_t* sourcePath) {
  return PackEntry(relativeName, sourcePath, 2, false, false);
}

int CZorbKxpPackage::PackFile_3(const CString& relativeName, const char16_t* sourcePath,
                                bool withResourceFork, bool stripExtension) {
  return PackEntry(relativeName, sourcePath, 3, withResourceFork, stripExtension);
}

int CZorbKxpPackage::PackEntry(const CString& relativeName, const char16_t* sourcePath, int layout,
                               bool withResourceFork, bool stripExtension) {
  if (!sourcePath || !sourcePath[0] || !CZorbOS::FileExists(sourcePath)) return -1;
  CString storedName = relativeName;
  if (stripExtension) getPathFromFileWithNoExtensionName(relativeName, storedName);
  // A name the reader would refuse, or one the encoding cannot hold, makes
  // a package that cannot be unpacked as it was meant.
  {
    CZorbPath mapped(storedName);
    mapped.LocalizePathSeparators();
    if (!IsSafeRelativeName(mapped)) return -1;
  }
  std::vector<char> nameBytes(kMaxNameLength + 1);
  int32_t convertStatus = 0;
  uint32_t nameLength = 0;
  CZorbUnicodeConverter::ConvertUTF16ToScriptText(m_fileNameEncoding, storedName,
                                                  storedName.GetLength(), nameBytes.data(),
                                                  kMaxNameLength + 1, convertStatus, &nameLength);
  if (convertStatus != 0 || nameLength == 0 || nameLength > kMaxNameLength) return -1;

  CFile source;
  if (!source.Open(sourcePath, kOpenRead)) return -1;
  CFile package;
  if (!package.Open(m_fileName, kOpenWrite)) return -1;
  const int64_t entryStart = package.SeekToEnd();

  int status = WriteUInt32(package, nameLength);
  if (!status) status = WriteOrdered(package, nameBytes.data(), nameLength);
  if (!status && layout >= 2) {
    CZorbDateTime date;
    status =
        CZorbOS::GetFileDateTime(sourcePath, date) ? WriteDate(package, date) : platform::fnfErr;
  }
  if (!status && layout >= 3) {
    const uint32_t type = CZorbOS::GetFileType(sourcePath);
    const uint32_t creator = CZorbOS::GetFileCreator(sourcePath);
    status = WriteReverse(package, &type, 4);
    if (!status) status = WriteReverse(package, &creator, 4);
  }
  if (!status) status = WriteFork(package, source);
  source.Close();
  if (!status && layout >= 3) {
    CResFile resource;
    if (withResourceFork && resource.Open(sourcePath, kOpenRead) && resource.GetLength() != 0)
      status = WriteFork(package, resource);
    else if (!status)
      status = WriteUInt32(package, 0);
    resource.Close();
  }
  if (!status && package.m_fileBuffer) status = package.m_fileBuffer->Flush();
  if (status) {
    // Leave the package as it was before this entry. The stream may hold
    // bytes that can never be written (a full disk), and it writes them out
    // before it cuts the file; so close it and cut through a fresh one.
    package.Close();
    CFile cut;
    bool cutOff = false;
    if (cut.Open(m_fileName, kOpenWrite)) {
      cutOff = cut.m_fileBuffer->SetEof(entryStart) == platform::noErr;
      cut.Close();
    }
    if (!cutOff)
      Logger::write(Logger::kError,
                    u"The package " + std::u16string(m_fileName) + u" keeps a partial entry",
                    __FILE__, __LINE__);
    return -1;
  }
  return CloseChecked(package) ? -1 : 0;
}

// Chunks of the source from its position, then the terminator: noErr or a
// Mac status. A source that delivers fewer bytes than its length fails
// rather than leaving a shortened copy.
int CZorbKxpPackage::WriteFork(CFile& package, CFile& source) {
  const int64_t expected = source.GetLength();
  int64_t total = 0;
  for (;;) {
    const uint32_t got = source.Read(m_rawBuffer, kChunkSize);
    if (got == 0) break;
    total += got;
    uint32_t compLength = kCompBufferSize;
    if (Compress(m_rawBuffer, got, m_compBuffer, compLength) != Z_OK) return platform::ioErr;
    if (const int status = WriteUInt32(package, got)) return status;
    if (const int status = WriteUInt32(package, compLength)) return status;
    if (const int status = WriteOrdered(package, m_compBuffer, compLength)) return status;
    if (got < kChunkSize) break;
  }
  if (total != expected) return platform::eofErr;
  return WriteUInt32(package, 0);
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

int CZorbKxpPackage::OpenForReading(CFile& package) {
  if (!m_fileName[0] || !package.Open(m_fileName, kOpenRead)) return -1;
  if (ReadUInt32(package, m_version) != 4) return -1;
  return 0;
}

int CZorbKxpPackage::UnPackFileNames(CZorbTypedVector<CString>& names) {
  names.clear();
  CFile package;
  if (OpenForReading(package)) return -1;
  switch (m_version) {
    case 1:
      return UnPackFileNames_1(package, names);
    case 2:
      return UnPackFileNames_2(package, names);
    case 3:
      return UnPackFileNames_3(package, names);
    case 4:
      SetFileNameEncoding(kUTF8);
      return UnPackFileNames_3(package, names);
    default:
      break;
  }
  // An unknown version: perhaps the caller picked the description file's
  // twin, named like the package with its last letter an "i".
  const int64_t length = package.GetLength();
  package.Close();
  CString sibling(m_fileName);
  if (sibling.GetLength() > 0) sibling.SetAt(sibling.GetLength() - 1, u'i');
  CFile description;
  if (description.Open(sibling, kOpenRead) && description.GetLength() == length) return -4;
  return -2;
}

int CZorbKxpPackage::UnPackFileNames_1(CFile& package, CZorbTypedVector<CString>& names) {
  ScanResult result;
  return Scan(package, 1, &names, result);
}

int CZorbKxpPackage::UnPackFileNames_2(CFile& package, CZorbTypedVector<CString>& names) {
  ScanResult result;
  return Scan(package, 2, &names, result);
}

int CZorbKxpPackage::UnPackFileNames_3(CFile& package, CZorbTypedVector<CString>& names) {
  ScanResult result;
  return Scan(package, 3, &names, result);
}

int CZorbKxpPackage::UnPackTo(const char16_t* folder) {
  if (!folder || !folder[0] || !CZorbOS::DirectoryExists(folder)) return -1;
  CFile package;
  if (OpenForReading(package)) return -1;
  const CString target = FolderPrefix(folder);
  switch (m_version) {
    case 1:
      return UnPack_1_To(package, target);
    case 2:
      return UnPack_2_To(package, target);
    case 3:
      return UnPack_3_To(package, target);
    case 4:
      SetFileNameEncoding(kUTF8);
      return UnPack_3_To(package, target);
    default:
      return -2;
  }
}

int CZorbKxpPackage::UnPack_1_To(CFile& package, const CString& folder) {
  return Unpack(package, 1, folder);
}

int CZorbKxpPackage::UnPack_2_To(CFile& package, const CString& folder) {
  return Unpack(package, 2, folder);
}

int CZorbKxpPackage::UnPack_3_To(CFile& package, const CString& folder) {
  return Unpack(package, 3, folder);
}

// Reads a name length and the name, checks and decodes it. 1 at the clean
// end of the package (nothing left to read), 0 with a name, -1 otherwise.
int CZorbKxpPackage::ReadName(CFile& package, CString& name) {
  uint32_t length = 0;
  const uint32_t got = ReadUInt32(package, length);
  if (got == 0) return 1;
  // A few stray bytes after the last entry are damage, not an end.
  if (got != 4 || length < 1 || length > kMaxNameLength) return -1;
  std::string bytes(length, '\0');
  if (ReadOrdered(package, bytes.data(), length) != length) return -1;
  if (bytes.find('\0') != std::string::npos) return -1;
  const size_t skip = bytes[0] == '/' ? 1 : 0;
  CZorbPath decoded;
  if (length > skip)
    CZorbUnicodeConverter::ConvertScriptTextToUTF16(m_fileNameEncoding, bytes.data() + skip,
                                                    static_cast<uint32_t>(length - skip), decoded);
  decoded.LocalizePathSeparators();
  if (!IsSafeRelativeName(decoded)) return -1;
  name = decoded;
  return 0;
}

int CZorbKxpPackage::Scan(CFile& package, int layout, CZorbTypedVector<CString>* names,
                          ScanResult& result) {
  if (ReadUInt32(package, m_compression) != 4) return -1;
  const int64_t length = package.GetLength();
  int64_t position = package.GetPosition();
  CZorbPackageNameSet seen;
  for (;;) {
    CString name;
    const int read = ReadName(package, name);
    if (read == 1) return 0;
    if (read < 0 || !CZorbPackageNameSet::Fits(name, result.folder) || !seen.Add(name, false))
      return -1;
    if (names) names->push_back(name);
    if (result.checkLimits && ++result.entries > result.limits.maxEntries) return -1;

    position = package.GetPosition();
    const int64_t skip = layout == 2 ? 12 : layout >= 3 ? 20 : 0;
    if (position + skip > length) return -1;
    position = package.Seek(skip, CFile::kFromCurrent);
    for (int fork = 0; fork < (layout >= 3 ? 2 : 1); ++fork) {
      for (;;) {
        uint32_t raw = 0, comp = 0;
        const int header = ReadChunkHeader(package, raw, comp);
        if (header < 0) return -1;
        if (header == 0) break;
        position = package.GetPosition();
        if (position + comp > length) return -1;
        position = package.Seek(comp, CFile::kFromCurrent);
        ++result.chunks;
        result.expandedBytes += raw;
        if (result.checkLimits && result.expandedBytes > result.limits.maxExpandedBytes) return -1;
      }
    }
  }
}

int CZorbKxpPackage::Unpack(CFile& package, int layout, const CString& folder) {
  // Check everything first: a package that fails leaves nothing behind.
  ScanResult scan;
  scan.checkLimits = true;
  scan.limits = GetUnpackLimits();
  scan.folder = folder;
  if (Scan(package, layout, nullptr, scan)) return -1;
  if (scan.chunks > 0 && m_compression != 1) return -1;
  package.Seek(8, CFile::kFromStart);

  // Every name is new to its folder: look each folder up once.
  platform::NameLookupScope lookups;
  // The files are made durable together once all are written, before
  // success is reported.
  platform::DeferredSync durable;
  std::unordered_set<std::u16string> checked;
  // Each folder made or found once: its reference, and whether this
  // unpacking made it.
  struct Folder {
    platform::FSRef ref;
    bool made = false;
    int fd = -1;  // open while the unpacking makes files in it
  };
  std::unordered_map<std::u16string, Folder> folders;
  struct CloseFolders {
    std::unordered_map<std::u16string, Folder>& folders;
    ~CloseFolders() {
      for (auto& entry : folders)
        if (entry.second.fd >= 0) platform::closeQuietly(platform::fileSystem(), entry.second.fd);
    }
  } closeFolders{folders};
  for (;;) {
    CString name;
    const int read = ReadName(package, name);
    if (read == 1) return durable.commit() == platform::noErr ? 0 : -1;
    if (read < 0) return -1;
    const CString destination = folder + name;
    const CString parent = destination.Left(destination.ReverseFind(u':'));
    if (!StaysInside(folder, destination, checked, false)) return -1;
    const std::u16string parentKey(parent.Get(), static_cast<size_t>(parent.GetLength()));
    auto madeFolder = folders.find(parentKey);
    if (madeFolder == folders.end()) {
      Folder found;
      found.made = !CZorbOS::DirectoryExists(parent);
      if (!EnsureFolderExists(parent)) return -1;
      const std::optional<std::string> posix = PosixOf(parent);
      if (!posix || platform::resolvePath(*posix, found.ref) != platform::noErr) return -1;
      // Files are made relative to the folder found here, not by walking
      // its path again for each; a link in its place is refused.
      if (platform::fileSystem().open(found.ref.path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW, 0,
                                      found.fd) != 0)
        return -1;
      madeFolder = folders.emplace(parentKey, std::move(found)).first;
    }
    const platform::FSRef& parentRef = madeFolder->second.ref;

    // A name new to its folder (the usual case) is made there directly; an
    // item already there, found ignoring case, goes the general way. A
    // folder this unpacking made holds only what it made, and the names of
    // one package never match one another: nothing to look up there.
    const std::optional<std::string> posix = PosixOf(destination);
    if (!posix) return -1;
    std::string newName;
    if (!NewFileName(posix->substr(posix->rfind('/') + 1), newName)) return -1;
    bool isNew = madeFolder->second.made;
    if (!isNew) {
      platform::FSRef existing;
      const int32_t lookup =
          platform::resolvePath(platform::joinPath(parentRef.path, newName), existing);
      if (lookup != platform::noErr && lookup != platform::fnfErr) return -1;
      isNew = lookup == platform::fnfErr;
    }
    if (!isNew) {
      if (CZorbOS::IsFileSymbolicLink(destination)) return -1;
      if (CZorbOS::FileExists(destination) && !CZorbOS::MakeFileWritable(destination)) return -1;
    }

    CZorbDateTime date;
    if (layout >= 2 && !ReadDate(package, date)) return -1;
    uint32_t type = 0;
    uint32_t creator = 0;
    if (layout >= 3 &&
        (ReadReverse(package, &type, 4) != 4 || ReadReverse(package, &creator, 4) != 4))
      return -1;
    // The file is made anew with its type and creator.
    CFile file;
    if (layout >= 3) {
      file.m_type = type;
      file.m_creator = creator;
    }
    // A new file without type or creator is made, written and dated through
    // one descriptor; the date goes on last, after every byte of its fork.
    const bool plain = file.m_type == 0 && file.m_creator == 0;
    std::unique_ptr<platform::Fork> fork;
    platform::FSRef made;
    if (isNew && plain) {
      if (platform::Fork::createNew(madeFolder->second.fd, parentRef.path, newName, fork) !=
          platform::noErr)
        return -1;
    } else if (isNew) {
      uint8_t info[platform::kFinderInfoSize] = {};
      platform::setFinderInfoType(info, file.m_type);
      platform::setFinderInfoCreator(info, file.m_creator);
      if (platform::createFile(parentRef, newName, info, made) != platform::noErr ||
          platform::Fork::open(made, platform::Fork::Kind::Data, true, fork) != platform::noErr)
        return -1;
    }
    if (isNew) {
      if (ReadFork(package, *fork) || fork->flush() != platform::noErr) return -1;
    } else {
      if (!file.Open(destination, kOpenCreate)) return -1;
      if (ReadFork(package, &file) || CloseChecked(file)) return -1;
    }

    bool forkWritten = false;
    if (layout >= 3) {
      // Peek at the run: an empty fork makes no resource file at all.
      uint32_t raw = 0;
      if (ReadUInt32(package, raw) != 4) return -1;
      forkWritten = raw != 0;
    }
    if (fork) {
      // A new file is dated through its descriptor unless a resource fork
      // follows (that dates it by its path below).
      if (layout >= 2 && !forkWritten) {
        timespec modification{};
        modification.tv_sec = date.GetTime();
        if (fork->setModificationTime(modification) != platform::noErr) return -1;
      }
      if (fork->close() != platform::noErr) return -1;
    }
    if (forkWritten) {
      package.Seek(-4, CFile::kFromCurrent);
      CResFile resource;
      if (!resource.Open(destination, kOpenWrite)) return -1;
      if (ReadFork(package, &resource) || CloseChecked(resource)) return -1;
      // The fork's file holds the Finder information too: set it again.
      if (CZorbOS::SetFileTypeAndCreator(destination, type, creator) != platform::noErr) return -1;
    }
    if (layout >= 2 && (!fork || forkWritten) && !SetDate(destination, date)) return -1;
  }
}

int CZorbKxpPackage::ReadFork(CFile& package, platform::Fork& out) {
  std::vector<unsigned char> batch;
  batch.reserve(kWriteBatch);
  for (;;) {
    uint32_t raw = 0, comp = 0;
    const int header = ReadChunkHeader(package, raw, comp);
    if (header < 0) return -1;
    if (header == 0) break;
    if (ReadOrdered(package, m_compBuffer, comp) != comp) return -1;
    uint32_t rawLength = kRawBufferSize;
    if (Decompress(m_compBuffer, comp, m_rawBuffer, rawLength) != Z_OK || rawLength != raw)
      return -1;
    batch.insert(batch.end(), m_rawBuffer, m_rawBuffer + raw);
    if (batch.size() + kChunkSize > kWriteBatch) {
      if (out.write(batch.data(), static_cast<uint32_t>(batch.size())) != platform::noErr)
        return -1;
      batch.clear();
    }
  }
  if (!batch.empty() &&
      out.write(batch.data(), static_cast<uint32_t>(batch.size())) != platform::noErr)
    return -1;
  return 0;
}

int CZorbKxpPackage::ReadFork(CFile& package, CFile* out) {
  for (;;) {
    uint32_t raw = 0, comp = 0;
    const int header = ReadChunkHeader(package, raw, comp);
    if (header <= 0) return header;
    if (ReadOrdered(package, m_compBuffer, comp) != comp) return -1;
    uint32_t rawLength = kRawBufferSize;
    if (Decompress(m_compBuffer, comp, m_rawBuffer, rawLength) != Z_OK || rawLength != raw)
      return -1;
    if (out && out->Write(m_rawBuffer, raw)) return -1;
  }
}

bool CZorbKxpPackage::StaysInside(const CString& folder, const CString& path,
                                  std::unordered_set<std::u16string>& checked, bool andPath) {
  if (path.Left(folder.GetLength()) != folder) return false;
  // Only this package's own folders and files lie below the folder; an
  // existing link there (left by someone else) could lead elsewhere. The
  // folders still to look at, deepest first, up to one already checked.
  std::vector<CString> unchecked;
  CString at = path;
  for (;;) {
    const int32_t colon = at.ReverseFind(u':');
    if (colon < folder.GetLength()) break;
    at = at.Left(colon);
    if (checked.count(std::u16string(at.Get(), static_cast<size_t>(at.GetLength())))) break;
    unchecked.push_back(at);
  }
  for (auto it = unchecked.rbegin(); it != unchecked.rend(); ++it) {
    if (CZorbOS::IsFileSymbolicLink(*it)) return false;
    // What is not there yet is made by this unpacking.
    if (!CZorbOS::DirectoryExists(*it)) break;
    checked.emplace(it->Get(), static_cast<size_t>(it->GetLength()));
  }
  return !andPath || !CZorbOS::IsFileSymbolicLink(path);
}
