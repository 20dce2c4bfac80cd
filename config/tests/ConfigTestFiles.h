#pragma once

// Fixtures and file helpers for the configuration tests. Host files are kept
// in testdata/config with line-feed line ends and without a byte-order mark;
// Canonical() gives the bytes the program itself writes for such a file
// (UTF-8 mark, carriage returns), so a fixture in the program's own layout
// must come back unchanged from a load and a save.

#include <gtest/gtest.h>

#include <string>

#include "platform/os/ColonPath.h"
#include "testsupport/TempDir.h"

namespace configtest {

inline std::string Fixture(const std::string& name) {
  return TempDir::read(std::string(PLEXAR_TESTDATA_DIR) + "/config/" + name);
}

inline std::string Canonical(std::string text) {
  for (char& ch : text)
    if (ch == '\n') ch = '\r';
  return "\xEF\xBB\xBF" + text;
}

inline std::u16string Colon(const std::string& posix) {
  return platform::posixToColon(posix).value();
}

// A folder in which a test writes a host file, loads it into a model of
// type File and saves the model again. Without a name, a file takes the
// fixture's name for loads, or for saves.
template <class File>
class XmlFileTest : public ::testing::Test {
 protected:
  XmlFileTest(const char* loadName, const char* saveName)
      : m_loadName(loadName), m_saveName(saveName) {}

  int LoadText(File& file, const std::string& text) { return LoadText(file, text, m_loadName); }
  int LoadText(File& file, const std::string& text, const std::string& name) {
    TempDir::write(dir / name, text);
    return file.Load(Colon(dir / name).c_str(), nullptr);
  }
  std::string SaveText(File& file) { return SaveText(file, m_saveName); }
  std::string SaveText(File& file, const std::string& name) {
    EXPECT_EQ(file.Save(Colon(dir / name).c_str()), 0);
    return TempDir::read(dir / name);
  }
  std::string RoundTrip(const std::string& text) {
    File file;
    EXPECT_EQ(LoadText(file, text), 0);
    return SaveText(file);
  }

  TempDir dir;

 private:
  std::string m_loadName;
  std::string m_saveName;
};

}  // namespace configtest
