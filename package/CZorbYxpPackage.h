#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "package/CZorbPackage.h"

class CZorbZipDirectory;

// A YXP package: a zip archive built and unpacked by the Zip and UnZip
// programs in the application's resources folder. Packing stages the files
// in a temporary folder and zips it; unpacking unzips into a temporary
// folder, lists it and copies it. The object owns a unique temporary root
// for its whole life. Every operation returns 0 or -1 and logs the reason.
//
// An archive is checked before it is unpacked: symbolic links, encrypted
// entries, compression methods other than stored and deflated, names that
// would leave the folder or land on one another, and more entries or bytes
// than the unpack limits allow are refused, and what the tool wrote is
// checked against the archive's directory afterwards.
class CZorbYxpPackage : public CZorbPackage {
 public:
  explicit CZorbYxpPackage(const char16_t* fileName = nullptr);
  ~CZorbYxpPackage() override;

  // Prepares an empty staging folder; the version is not used.
  int Create(const char16_t* fileName, int version) override;
  int PackFile(const char16_t* sourcePath, bool withResourceFork, bool stripExtension) override;
  // Copies a file, or makes a folder, in the staging folder.
  int PackFile(const char16_t* relativeName, const char16_t* sourcePath, bool withResourceFork,
               bool stripExtension) override;
  // Unzips the package into the unpack folder and lists it: relative
  // colon names, an empty folder's name ending in ":".
  int UnPackFileNames(CZorbTypedVector<CString>& names) override;
  // Moves what UnPackFileNames unpacked into the folder, or copies it where
  // the folder lies on another file system; -1 when any item could not be
  // moved or copied. A second call unpacks the package again. Each file gets the mode the archive
  // records, made readable and writable by its owner and writable by nobody else (the copy alone
  // would give it the folder's).
  int UnPackTo(const char16_t* folder) override;
  // Zips the staging folder into the package and deletes the temporary root.
  int PackComplete() override;

  int PackageZipFileImpl();
  int UnPackageZipFileImpl();
  // The argument vectors of the two programs (UTF-8); the zip path given
  // is not used, the object's own is.
  void PopulatePackCommandLineParameters(const CString& zipPath, std::vector<std::string>& out);
  void PopulateUnPackCommandLineParameters(const CString& zipPath, std::vector<std::string>& out);
  void GetFileList(CZorbTypedVector<CString>& names, const CString& folder, const CString& prefix);

  // The temporary paths, for tests.
  CString GetTempRoot() const { return CString(m_tempRoot); }
  CString GetStagingFolder() const;
  CString GetUnpackFolder() const;

 private:
  // Runs one of the programs; false (logged with format) when it cannot
  // start, fails or is killed.
  bool RunTool(const std::vector<std::string>& arguments, const std::string& workingFolder,
               const char16_t* failureFormat);
  // What the tool wrote is what the directory announced: no link, each
  // file of its announced size. Each item is then made writable by its
  // owner and by nobody else, and each file's mode kept for UnPackTo.
  bool CheckUnpacked(const CZorbZipDirectory& directory);
  enum class MoveResult { kMoved, kNotHere, kFailed };
  // Renames each item of the unpack folder into the empty target folder.
  // kNotHere when the two lie on different file systems or the target is
  // not an empty folder (the copy then decides); kFailed, with the items
  // put back, when a rename fails.
  MoveResult MoveUnpacked(const std::string& target);

  char16_t m_tempZipPath[kMaxPath + 1];
  char16_t m_tempRoot[kMaxPath + 1];
  // The unpack folder holds what the last UnPackFileNames checked.
  bool m_unpacked = false;
  // Its items were moved to a target: it is empty now.
  bool m_movedOut = false;
  // Its files ("/"-separated, relative) and their modes.
  std::vector<std::pair<std::string, uint32_t>> m_fileModes;
};
