#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pkg/PkgTypes.h"

namespace pkg {

class BasePackage;

// The named properties of a package and of its file entries. The zip
// properties (0, 1, 2 per entry and 1000 for the package) are carried by the
// zip records, which read them into this table and ask for them when they
// are written; the generic ones (2000 to 2002) need the package's XML parser.
// Entries are keyed by their path; the package level by the empty path.
class PkgPropertyMgr {
 public:
  // owner may be null (a bare record store, as the record layer's tests use).
  explicit PkgPropertyMgr(BasePackage* owner);
  virtual ~PkgPropertyMgr();
  PkgPropertyMgr(const PkgPropertyMgr&) = delete;
  PkgPropertyMgr& operator=(const PkgPropertyMgr&) = delete;

  static const std::string s_packagePath;  // ""
  // A property value of the properties file longer than this is refused
  // (code 20): the reader gathers each value whole.
  static constexpr size_t kMaxPropertyValueBytes = 64 * 1024;
  static const std::string s_propertiesFilePath;  // "/META-INF/pkgproperties.xml"

  // Names 0, 1, 2 with an entry path, or 1000 (kept at the package path);
  // anything else is code 22. Unset properties read as "".
  std::string getZipProperty(const std::string& path, UCFPropertyName name,
                             bool* changed = nullptr);
  // Marked changed unless the value comes from reading a record.
  void setZipProperty(const std::string& path, UCFPropertyName name, const std::string& text,
                      bool fromRecord);

  // Names 2000 to 2002 with an entry path; code 23 without a parser, 22 for
  // a bad name or path; setting outside an update (and not from reading the
  // properties file) is code 28.
  std::string getGenericProperty(const std::string& path, UCFPropertyName name,
                                 bool* changed = nullptr);
  void setGenericProperty(const std::string& path, UCFPropertyName name, const std::string& text,
                          bool fromFile);

  // Makes room for the properties of that many more paths.
  void reserve(size_t paths) { m_table.reserve(m_table.size() + paths); }

  // Where the DOS date and time of an entry come from while the table holds
  // none for its path: the record of that name, read when asked rather than
  // turned into text for every record of a large archive. The answer is
  // false when there is no such record.
  using RecordDates = std::function<bool(const std::string& path, uint16_t& date, uint16_t& time)>;
  void setRecordDates(RecordDates source) { m_recordDates = std::move(source); }

  int getPkgLevelGenPropCount() const;
  int getFileLevelGenPropCount(const std::string& path) const;
  int getAllFileLevelGenPropCount() const;

  // The table is saved at beginUpdate (code 35 when one runs), put back by
  // cancelUpdate (code 37 when none runs) and the saved copy dropped by
  // endUpdate, which first writes the properties file.
  void beginUpdate();
  void endUpdate();
  void cancelUpdate();
  bool isInUpdate() const { return m_inUpdate; }

  // Reads the properties file through the package's parser, once. A file
  // the parser or the handler rejects leaves the table as it was and is read
  // again at the next use; an exception met while reading is thrown again
  // after the table is put back.
  void readGenericProperties();
  // Writes the properties file of the generic properties of the package's
  // entries (names, keys and texts escaped), or removes it when there is
  // nothing to keep. A file that would not change is left alone.
  void writeGenericProperties();
  bool isLoaded() const { return m_loaded; }
  // Drops every property of an entry path (read the properties file first
  // when it should not bring them back).
  void forgetPath(const std::string& path);

  // The parser's events for the properties file.
  class MyEventHandler;

 protected:
  using Value = std::pair<bool, std::string>;  // changed flag, text
  // The few properties of one path, in the order they were first set.
  class PropertyMap {
   public:
    const Value* find(int name) const;
    Value& operator[](int name);
    size_t size() const { return m_items.size(); }
    const std::vector<std::pair<int, Value>>& items() const { return m_items; }
    // A forgotten path: its record's date and time are not its own any
    // more.
    bool forgotten() const { return m_forgotten; }
    void setForgotten() { m_forgotten = true; }

   private:
    std::vector<std::pair<int, Value>> m_items;
    bool m_forgotten = false;
  };
  // Unordered: a reader of many records fills it quickly; whoever needs the
  // paths in order sorts them.
  using Table = std::unordered_map<std::string, PropertyMap>;

  bool hasParser() const;
  // The property of the table's key, "" when it has none; *changed (when
  // given) tells whether it was set since the package was read.
  std::string lookUp(const std::string& key, UCFPropertyName name, bool* changed) const;
  static bool isGenericName(UCFPropertyName name);
  // Well-formed UTF-8 holding only characters XML 1.0 can carry.
  static bool isXmlText(const std::string& text);

  BasePackage* m_owner;
  bool m_loaded = false;
  bool m_reading = false;
  bool m_inUpdate = false;
  // Whether the file had been read when the update began: a file first read
  // during an update that is cancelled is read again, since the table put
  // back does not hold what it brought.
  bool m_loadedAtBegin = false;
  Table m_table;
  Table m_saved;
  RecordDates m_recordDates;
};

}  // namespace pkg
