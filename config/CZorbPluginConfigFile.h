#pragma once

#include <map>

#include "foundation/CString.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"

// A host's plug-in configuration file: sections of quoted plug-in paths
// that tell the host which plug-ins to load ("=Include") and which to skip
// ("=Exclude"). The file is read whole, edited in memory and written back
// in one step, with a safety copy beside it while the object lives.
class CZorbPluginConfigFile {
 public:
  using EntryList = CZorbTypedList<CZorbString>;

  // The five section headers, compared exactly.
  static const char16_t* const kPathToken;
  static const char16_t* const kIncludeToken;
  static const char16_t* const kExcludeToken;
  static const char16_t* const kExcludeRequiredToken;
  static const char16_t* const kMorePluginConfigurationToken;

  CZorbPluginConfigFile();
  // Deletes the safety copy when the file and the copy both exist.
  virtual ~CZorbPluginConfigFile();
  CZorbPluginConfigFile(const CZorbPluginConfigFile&) = delete;
  CZorbPluginConfigFile& operator=(const CZorbPluginConfigFile&) = delete;

  // Reads the file at the colon path. False, with an error logged and the
  // sections empty, when it cannot be read; a later save then refuses to
  // replace a file that exists.
  bool load(const CString& path);
  bool save();
  // Writes every section to path, replacing the file as one step. False
  // when nothing was written; the old file then stays as it was.
  bool saveTo(const CString& path);

  // The path is given without quotes.
  bool updateFilePathToIncludeList(const CString& path);
  bool updateFilePathToExcludeList(const CString& path);
  bool removeFilePathInExcludeList(const CString& path);

  // Adds entry to the section, dropping the entries equal to it ignoring
  // case, at the front or at the end. Always true.
  bool addFilePathUnderToken(const CString& entry, const CString& section, bool atFront);
  // Drops every entry equal to entry ignoring case. True.
  bool removeFilePathUnderToken(const CString& entry, const CString& section);
  bool removeFilePathsUnderToken(const EntryList& entries, const CString& section);
  // A quoted full-path entry equal to path ignoring case.
  bool filePathExistUnderToken(const CString& path, const CString& section) const;
  // Appends to matches every quoted relative entry (":a:b") whose file name
  // equals that of quotedPath ignoring case; true when one matched.
  bool fileRelativePathExistUnderToken(const CString& quotedPath, const CString& section,
                                       EntryList& matches) const;
  // At least three characters, the first and the last a double quote.
  static bool isValidFilePath(const CString& entry);
  // Appends the section's header line (none for the unnamed section) and
  // its entries, each line ended by a carriage return.
  void flushFilePathForToken(const CString& section, CString& out) const;
  // Copies the loaded file to the backup path; true when there is nothing
  // to copy.
  bool backupPluginFile();
  // Copies the backup over the loaded file.
  bool recoverPluginFile();

  // The entries of a section, or null when it does not exist.
  const EntryList* getEntries(const CString& section) const;
  const CString& getFilePath() const { return m_filePath; }
  const CString& getBackupPath() const { return m_backupPath; }

 private:
  // The section's list, made when missing.
  EntryList& section(const CString& name);
  bool isHeader(const CString& line) const;
  void removeRelativeMatches(const CString& quoted, const CString& section);

  std::map<CString, EntryList> m_sections;
  CString m_filePath;
  CString m_backupPath;
  // The last load found the file but could not read it.
  bool m_loadFailed = false;
};
