#include <gtest/gtest.h>

#include <string>

#include "config/CZorbGenericXmlFile.h"
#include "config/CZorbMenusXmlFile.h"
#include "config/tests/ConfigTestFiles.h"
#include "foundation/CZorbXMLParser.h"
#include "foundation/CZorbXmlObject.h"
#include "testsupport/TempDir.h"

namespace {

std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<menu id=\"m\">";
  for (int i = 0; i < depth; ++i) text += "</menu>";
  return text;
}

// Loads the host file into a model of type File: the load must fail, the
// model stay empty, and a save over the file leave it as it was.
template <class File>
void ExpectRefused(const TempDir& dir, const std::string& text) {
  const std::string path = dir / "host.xml";
  TempDir::write(path, text);
  File file;
  EXPECT_EQ(file.Load(configtest::Colon(path).c_str(), nullptr),
            CZorbXMLParser::kMalformedDocument);
  EXPECT_TRUE(file.m_children.empty());
  EXPECT_EQ(file.Save(configtest::Colon(path).c_str()), -1);
  EXPECT_EQ(TempDir::read(path), text);
}

}  // namespace

// Whichever model reads a host file, bytes its declared encoding does not
// allow and nesting beyond the limit refuse it, so no model of it is ever
// edited and written back over the host's file.
TEST(HostileHostFiles, BothModelsRefuseThem) {
  const std::string cases[] = {
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<menubar>\n<menu name=\"caf\xE9\"/>\n"
      "</menubar>\n",
      "\xEF\xBB\xBF<menubar><menu name=\"\xC3\"/></menubar>",
      "<menubar>" + Nested(CZorbXmlObject::kMaxDepth) + "</menubar>",
  };
  TempDir dir;
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 60));
    ExpectRefused<CZorbGenericXmlFile>(dir, text);
    ExpectRefused<CZorbMenusXmlFile>(dir, text);
  }
}
