#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "pkg/BasePackageFactory.h"
#include "pkg/BasePkgFileSystem.h"
#include "pkg/BasePkgHexStrings.h"
#include "pkg/PackageException.h"

using pkg::PackageException;
using pkg::PackageIOException;

TEST(PackageException, MessagesFollowTheCodeTable) {
  const std::string prefix = "PKGLIB SAMPLE ERROR MESSAGE: ";
  struct Case {
    int code;
    const char* words;
  } cases[] = {
      {0, "NONE"},
      {3, "Bad CDH signature"},
      {11, "Could not find ECD"},
      {16, "Detected a Split Zip file"},
      {31, "Error Decompressing File"},
      {49, "Error Deleting Temp File"},
      {50, "UNKNOWN Error Code"},
      {1000, "UNKNOWN Error Code"},
      {-7, "UNKNOWN Error Code"},
  };
  for (const Case& c : cases) {
    PackageException e(c.code);
    EXPECT_EQ(prefix + c.words, e.what()) << c.code;
    EXPECT_EQ(c.code, e.getErrorCode());
  }
}

TEST(PackageException, IOExceptionCarriesTheSystemTextWithCode50) {
  PackageIOException fromSystem("No space left on device");
  EXPECT_STREQ("No space left on device", fromSystem.what());
  EXPECT_EQ(50, fromSystem.getErrorCode());

  PackageIOException fromCode(pkg::kPkgErrCreatingTempFile);
  EXPECT_EQ(48, fromCode.getErrorCode());
  EXPECT_STREQ("PKGLIB SAMPLE ERROR MESSAGE: Error Creating Temp File", fromCode.what());

  // Both are caught as the library's one exception class.
  try {
    throw PackageIOException(pkg::kPkgErrReadECD);
  } catch (const PackageException& e) {
    EXPECT_EQ(10, e.getErrorCode());
  }

  PackageException custom(31, "Zip inflate exception: -3 invalid block type");
  EXPECT_STREQ("Zip inflate exception: -3 invalid block type", custom.what());
  EXPECT_EQ(31, custom.getErrorCode());
}

TEST(HexStrings, IntegersAreWrittenAsTheirLittleEndianImage) {
  auto* hex = pkg::BasePkgHexStrings::getInstance();
  EXPECT_EQ("0A", hex->iToHexString(static_cast<unsigned char>(10)));
  EXPECT_EQ("01000000", hex->iToHexString(1));
  EXPECT_EQ("3412", hex->iToHexString(static_cast<unsigned short>(0x1234)));
  EXPECT_EQ("FF", hex->iToHexString(static_cast<char>(-1)));
  EXPECT_EQ("FEFF", hex->iToHexString(static_cast<short>(-2)));
  EXPECT_EQ("EFCDAB8967452301", hex->iToHexString(0x0123456789ABCDEFull));
  EXPECT_EQ("FFFFFFFFFFFFFFFF", hex->iToHexString(-1ll));
  EXPECT_EQ("78563412", hex->iToHexString(0x12345678u));

  int i = 99;
  hex->hexStringToI("01000000", i);
  EXPECT_EQ(1, i);
  short s = 0;
  hex->hexStringToI("FEFF", s);
  EXPECT_EQ(-2, s);
  unsigned long long u = 0;
  hex->hexStringToI("EFCDAB8967452301", u);
  EXPECT_EQ(0x0123456789ABCDEFull, u);
  // Odd lengths are rounded down; short texts stop early; long ones are cut.
  unsigned int v = 0;
  hex->hexStringToI("3412F", v);
  EXPECT_EQ(0x1234u, v);
  unsigned char c = 0;
  hex->hexStringToI("7F0102", c);
  EXPECT_EQ(0x7F, c);
  long long empty = 5;
  hex->hexStringToI("", empty);
  EXPECT_EQ(0, empty);
}

TEST(HexStrings, BytesRoundTripAndCountsFollowTheText) {
  auto* hex = pkg::BasePkgHexStrings::getInstance();
  const uint8_t bytes[] = {0x00, 0x7F, 0x80, 0xFF, 0x5A};
  EXPECT_EQ("007F80FF5A", hex->encodeHexString(bytes, sizeof(bytes)));

  uint32_t count = 0;
  EXPECT_EQ(2u, hex->decodeHexString("ABCDE", nullptr, count));
  uint8_t out[4] = {0, 0, 0, 0};
  count = 1;
  EXPECT_EQ(2u, hex->decodeHexString("ABCDE", out, count));
  EXPECT_EQ(1u, count);
  EXPECT_EQ(0xAB, out[0]);
  EXPECT_EQ(0, out[1]);
  count = 4;
  EXPECT_EQ(5u, hex->decodeHexString("007F80FF5A", out, count));
  EXPECT_EQ(4u, count);
  EXPECT_EQ(0xFF, out[3]);
}

TEST(HexStrings, TextsThatAreNotUpperCaseHexAreRefused) {
  auto* hex = pkg::BasePkgHexStrings::getInstance();
  for (const char* bad : {"0G", "ab", "12 4", "-1", "0x12"}) {
    int value = 7;
    try {
      hex->hexStringToI(bad, value);
      ADD_FAILURE() << bad;
    } catch (const PackageException& e) {
      EXPECT_EQ(22, e.getErrorCode()) << bad;
    }
    EXPECT_EQ(0, value) << bad;
    uint8_t out[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    uint32_t count = 8;
    EXPECT_THROW(hex->decodeHexString(bad, out, count), PackageException) << bad;
    EXPECT_EQ(1, out[0]) << "a refused text leaves the buffer alone: " << bad;
  }
}

namespace {

// The factory's path rules need a concrete factory.
class PathRules : public pkg::BasePackageFactory {
 public:
  std::shared_ptr<pkg::IPackage> openPackage(const std::string&, pkg::openmode,
                                             pkg::IPkgFileSystem*, pkg::IPkgPolicies*,
                                             pkg::IXMLParser*) override {
    return nullptr;
  }
  std::shared_ptr<pkg::IPackage> openPackage(std::shared_ptr<pkg::IPkgFSFileName>, pkg::openmode,
                                             pkg::IPkgPolicies*, pkg::IXMLParser*) override {
    return nullptr;
  }
  std::shared_ptr<pkg::IPackage> openPackage(std::shared_ptr<pkg::IPkgFSFile>, pkg::IPkgPolicies*,
                                             pkg::IXMLParser*) override {
    return nullptr;
  }
  std::shared_ptr<pkg::IPackage> createConformingPackage(const std::string&, const std::string&,
                                                         bool, pkg::IPkgFileSystem*,
                                                         pkg::IPkgPolicies*,
                                                         pkg::IXMLParser*) override {
    return nullptr;
  }
  bool acceptPackage(const std::string&, pkg::IPkgFileSystem*) override { return false; }
  bool acceptPackage(std::shared_ptr<pkg::IPkgFSFileName>) override { return false; }
  bool acceptPackage(std::shared_ptr<pkg::IPkgFSFile>) override { return false; }
  void setDefaultFileSystem(pkg::IPkgFileSystem*) override {}
  void setPackageXMLParser(pkg::IXMLParser*) override {}
};

}  // namespace

TEST(Canonicalize, SegmentsAreCleanedUpAndTheAnchorEndsTheScan) {
  PathRules rules;
  struct Case {
    const char* in;
    bool keepAnchor;
    const char* out;
  } cases[] = {
      {"/", true, "/"},
      {"/", false, "/"},
      {"a//b/./c/../d", false, "a/b/d"},
      {"/a/b", true, "/a/b"},
      {"/a/b", false, "a/b"},
      {"a/b", true, "a/b"},
      {"a/..", false, "/"},
      {"..", true, "/"},
      {"../../x", false, "x"},
      {"a/b#x/y", false, "a/b#x/y"},
      {"a/./b/", false, "a/b/"},
      {"dir/", true, "dir/"},
      {"./mimetype", false, "mimetype"},
      {"//a", true, "/a"},
      {"a/b/..", false, "a/"},
      {"#top", false, "#top"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.out, rules.canonicalize(c.in, c.keepAnchor)) << c.in;
  }
  try {
    rules.canonicalize("", true);
    ADD_FAILURE();
  } catch (const PackageException& e) {
    EXPECT_EQ(22, e.getErrorCode());
  }
  EXPECT_EQ("/", rules.getPathSeparator());
  EXPECT_EQ(".", rules.getPathDot());
  EXPECT_EQ(":", rules.getSchemaSeparator());
  EXPECT_EQ("#", rules.getPathAnchor());
}

namespace {

// Exits 0 when threads asking at once for each singleton all get one object.
void raceForTheFirstInstances() {
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  std::vector<const void*> hexSeen(8), fsSeen(8);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      while (!go.load()) std::this_thread::yield();
      hexSeen[i] = pkg::BasePkgHexStrings::getInstance();
      fsSeen[i] = pkg::BasePkgFileSystem::getInstance();
    });
  }
  go = true;
  for (auto& t : threads) t.join();
  const bool one = std::set<const void*>(hexSeen.begin(), hexSeen.end()).size() == 1 &&
                   std::set<const void*>(fsSeen.begin(), fsSeen.end()).size() == 1;
  const bool stays = hexSeen[0] != nullptr && fsSeen[0] != nullptr &&
                     hexSeen[0] == pkg::BasePkgHexStrings::getInstance() &&
                     fsSeen[0] == pkg::BasePkgFileSystem::getInstance();
  if (!one) std::fprintf(stderr, "the threads got different objects\n");
  if (!stays) std::fprintf(stderr, "the first object did not stay\n");
  std::exit(one && stays ? 0 : 1);
}

}  // namespace

TEST(SingletonsDeathTest, ThreadsRacingForTheFirstInstanceGetOneObject) {
  // In a fresh process: earlier tests here have made both singletons already.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(raceForTheFirstInstances(), ::testing::ExitedWithCode(0), "");
}
