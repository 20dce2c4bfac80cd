#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

#include "package/CZorbPackage.h"

class CFile;
class CZorbDateTime;
namespace platform {
class Fork;
}

// The legacy KXP package: an 8-byte header (version, compression) and one
// record per file, each fork stored as a run of zlib chunks of at most 1024
// raw bytes. Reads versions 1 to 4, writes 2 to 4.
//
// Results: 0 success; -1 bad argument, missing or unreadable file, a
// malformed or unsafe entry, or more than the unpack limits allow; -2 an
// unknown version; -4 (listing only) an unknown version where the sibling
// description file has the package's length (it is no package at all).
//
// UnPackTo checks the package's structure, names (safe, not clashing, within
// the limits of CZorbPackageNameSet) and the unpack limits before it writes
// anything, so such a package fails without output. A chunk is inflated only
// while its file is written: one that is damaged fails the unpacking there,
// and the files written before it stay.
class CZorbKxpPackage : public CZorbPackage {
 public:
  static constexpr uint32_t kFileType = 0x51515850;  // 'QQXP'
  static constexpr uint32_t kChunkSize = 1024;
  static constexpr uint32_t kCompBufferSize = 1048;
  static constexpr uint32_t kMaxNameLength = 6144;
  static constexpr uint32_t kUTF8 = 0x08000100;

  explicit CZorbKxpPackage(const char16_t* fileName = nullptr);
  ~CZorbKxpPackage() override;

  int Create(const char16_t* fileName, int version) override;
  int PackFile(const char16_t* sourcePath, bool withResourceFork, bool stripExtension) override;
  int PackFile(const char16_t* relativeName, const char16_t* sourcePath, bool withResourceFork,
               bool stripExtension) override;
  int UnPackFileNames(CZorbTypedVector<CString>& names) override;
  int UnPackTo(const char16_t* folder) override;

  // n bytes in memory order (numbers little-endian); Read returns the count.
  static int WriteOrdered(CFile& file, const void* data, uint32_t n);
  static uint32_t ReadOrdered(CFile& file, void* data, uint32_t n);
  // n bytes from the last to the first (numbers big-endian).
  static int WriteReverse(CFile& file, const void* data, uint32_t n);
  static uint32_t ReadReverse(CFile& file, void* data, uint32_t n);
  // Six 16-bit fields: year, month, day, hour, minute, second.
  static int WriteDate(CFile& file, const CZorbDateTime& date);
  static bool ReadDate(CFile& file, CZorbDateTime& date);

  // -1 for a null buffer, else zlib's code; dstLen is the room in and the
  // size out.
  int Compress(const void* src, uint32_t srcLen, void* dst, uint32_t& dstLen);
  // As Compress; -3 when the compression member is not 1 (zlib).
  int Decompress(const void* src, uint32_t srcLen, void* dst, uint32_t& dstLen);

  // Makes the folder and its missing parents.
  bool EnsureFolderExists(const char16_t* folder);

 private:
  struct ScanResult;
  // The layout of an entry: 1 names only, 2 with a date, 3 also type,
  // creator and resource fork.
  int PackFile_2(const CString& relativeName, const char16_t* sourcePath);
  int PackFile_3(const CString& relativeName, const char16_t* sourcePath, bool withResourceFork,
                 bool stripExtension);
  int PackEntry(const CString& relativeName, const char16_t* sourcePath, int layout,
                bool withResourceFork, bool stripExtension);
  int WriteFork(CFile& package, CFile& source);

  // Opens the package and reads its version; 0, or -1.
  int OpenForReading(CFile& package);
  int UnPackFileNames_1(CFile& package, CZorbTypedVector<CString>& names);
  int UnPackFileNames_2(CFile& package, CZorbTypedVector<CString>& names);
  int UnPackFileNames_3(CFile& package, CZorbTypedVector<CString>& names);
  int UnPack_1_To(CFile& package, const CString& folder);
  int UnPack_2_To(CFile& package, const CString& folder);
  int UnPack_3_To(CFile& package, const CString& folder);

  // Walks every entry from after the version without inflating: checks the
  // structure and the names, lists the names and sums the sizes.
  int Scan(CFile& package, int layout, CZorbTypedVector<CString>* names, ScanResult& result);
  int Unpack(CFile& package, int layout, const CString& folder);
  int ReadName(CFile& package, CString& name);
  int ReadFork(CFile& package, CFile* out);
  // The same into a fork of a file just made, in writes of many chunks.
  int ReadFork(CFile& package, platform::Fork& out);
  // No existing item on the way from folder to path (with andPath, path
  // itself too) is a symbolic link. Folders found real are kept in checked
  // and not looked at again.
  bool StaysInside(const CString& folder, const CString& path,
                   std::unordered_set<std::u16string>& checked, bool andPath = true);

  // Room beyond a chunk lets zlib's fast loop run to the chunk's end; a
  // chunk that inflates to more than its raw length is refused all the same.
  static constexpr uint32_t kRawBufferSize = kChunkSize + 512;
  // One chunk each, shared by the objects of a thread.
  static thread_local unsigned char m_rawBuffer[kRawBufferSize];
  static thread_local unsigned char m_compBuffer[kCompBufferSize];
};
