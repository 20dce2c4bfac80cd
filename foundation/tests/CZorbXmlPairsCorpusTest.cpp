// The pair routine over the public XML conformance documents in
// ../shared/corpus/xml: a document that expat accepts from its own bytes is
// read, one that expat refuses as not well-formed is refused, and the
// documents in encodings expat lacks are read through the program's
// converters.

#ifndef XML_UNICODE
#define XML_UNICODE
#endif
#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "foundation/CZorbXmlPairs.h"
#include "testsupport/TempDir.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(PLEXAR_SHARED_DIR) / "corpus" / "xml";

enum class Verdict { Accepted, Refused, UnknownEncoding };

// expat as the routine sets it up, on the file's own bytes.
Verdict Judge(const std::string& bytes) {
  XML_Parser p = XML_ParserCreate(nullptr);
  XML_SetParamEntityParsing(p, XML_PARAM_ENTITY_PARSING_NEVER);
  const bool ok =
      XML_Parse(p, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_OK;
  const XML_Error error = XML_GetErrorCode(p);
  XML_ParserFree(p);
  if (ok) return Verdict::Accepted;
  return error == XML_ERROR_UNKNOWN_ENCODING || error == XML_ERROR_INCORRECT_ENCODING
             ? Verdict::UnknownEncoding
             : Verdict::Refused;
}

}  // namespace

TEST(XmlPairsCorpus, AgreesWithExpatAndDecodesWhatExpatCannot) {
  if (!fs::is_directory(kCorpus))
    GTEST_SKIP() << "no XML corpus at " << kCorpus << "; conformance not checked";

  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(kCorpus))
    if (entry.is_regular_file() && entry.path().extension() == ".xml")
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());

  int accepted = 0, refused = 0, decoded = 0;
  std::vector<std::string> disagreements;
  for (const fs::path& file : files) {
    const std::string rel = fs::relative(file, kCorpus).string();
    const Verdict verdict = Judge(TempDir::read(file.string()));
    const std::string path = file.string();
    CZorbXmlPairs::Pairs pairs;
    const bool read =
        CZorbXmlPairs::Read(CString(std::u16string(path.begin(), path.end()).c_str()),
                            CString(u"doc.Data"), pairs) != CZorbXmlPairs::kUnreadable;
    bool agree = true;
    switch (verdict) {
      case Verdict::Accepted:
        agree = read;
        accepted += read;
        break;
      case Verdict::Refused:
        agree = !read;
        refused += !read;
        break;
      case Verdict::UnknownEncoding:
        // The Japanese documents are well-formed in every encoding.
        if (rel.find("/japanese/") == std::string::npos) continue;
        agree = read;
        decoded += read;
        break;
    }
    if (!agree) disagreements.push_back(rel + (read ? ": read" : ": refused"));
  }
  std::string report;
  for (const std::string& d : disagreements) report += d + "\n";
  EXPECT_TRUE(disagreements.empty()) << report;
  EXPECT_GT(accepted, 250);
  EXPECT_GT(refused, 250);
  EXPECT_GE(decoded, 4);
}
