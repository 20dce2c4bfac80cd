#pragma once

#include <map>
#include <optional>
#include <string>

#include "foundation/CString.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbTypedList.h"

// A host's plug-in configuration file: sections of quoted plug-in paths
// that tell the host which plug-ins to load ("=Include") and which to skip
// ("=Exclude"). The file is read whole, edited in memory and written back
// in one step. The safety copy of the bytes a save replaces is kept in
// memory, never beside the host's file, so nothing of ours stays there.
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
  virtual ~CZorbPluginConfigFile();
  CZorbPluginConfigFile(const CZorbPluginConfigFile&) = delete;
  CZorbPluginConfigFile& operator=(const CZorbPluginConfigFile&) = delete;

  // Reads the file at the colon path. False, with an error logged and the
  // sections empty, when it cannot be read; a later save then refuses to
  // replace a file that exists.
  bool load(const CString& path);
  bool save();
  // Writes every section to path, replacing the file as one step, and
  // true only once the folder holds the new file for good. False when the
  // file could not be replaced, or its replacement not flushed to disk; the
  // file then holds its old bytes again (a file that was not there is
  // removed again).
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
  // Keeps the loaded file's bytes (or that it is missing) as the safety
  // copy; false when the file is there but cannot be read.
  bool backupPluginFile();
  // Puts the safety copy back over the file it was taken from, as one
  // step; false when there is none or it could not be put back for good.
  bool recoverPluginFile();

  // The entries of a section, or null when it does not exist.
  const EntryList* getEntries(const CString& section) const;
  const CString& getFilePath() const { return m_filePath; }

 private:
  // The section's list, made when missing.
  EntryList& section(const CString& name);
  bool isHeader(const CString& line) const;
  void removeRelativeMatches(const CString& quoted, const CString& section);
  bool keepSafetyCopy(const CString& path);

  std::map<CString, EntryList> m_sections;
  CString m_filePath;
  // The file the safety copy was taken from, and its bytes (none when it
  // was missing).
  CString m_safetyPath;
  std::optional<std::string> m_safetyBytes;
  bool m_haveSafetyCopy = false;
  // The last load found the file but could not read it.
  bool m_loadFailed = false;
};
