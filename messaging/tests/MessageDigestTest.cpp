#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "messaging/ArborTalkUtils.h"
#include "messaging/Message.h"
#include "messaging/VtHeap.h"
#include "messaging/tests/MessagingFixture.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/FaultInjectingFileSystem.h"
#include "platform/os/FileSystem.h"
#include "testsupport/TempDir.h"

using Velt::VtString;
using Message = Velt::ArborTalk::Message;
namespace Utils = Velt::ArborTalkUtils;
namespace fs = std::filesystem;

namespace {

bool isKeyText(const std::string& s) {
  if (s.size() < 16 || s.size() > 32) return false;
  for (char c : s)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  return true;
}

fs::perms permsOf(const std::string& path) {
  return fs::status(path).permissions();
}

class Digest : public MessagingTest {
 protected:
  std::string vesko(const char* name = nullptr) const {
    return home() + "/.vesko" + (name ? std::string("/") + name : std::string());
  }

  // The text of a message written with a digest.
  static std::string signedText(const std::string& body) {
    Message m;
    m.mTarget = "T";
    m.mSender = "S";
    m.mBody = vt(body);
    VtString text;
    EXPECT_TRUE(m.writeToString(text));
    return bytes(text);
  }

  static std::string statusOf(const std::string& text) {
    Message m;
    m.readFromString(text.data(), text.size());
    return bytes(m.mAuthenticationStatus);
  }
};

// Expected values from an independent SHA-1 of key + "+" + text + "+" + key,
// each byte as "%X".
TEST_F(Digest, MatchesAnIndependentShaOne) {
  const struct {
    const char* text;
    const char* key;
    const char* digest;
  } cases[] = {
      {"abc", "K", "AF536ACD989BCEA6ED8B7E172A4B85769DC045"},
      {"K", "abc", "FED64ADC5E6D272537F2B495AC213D705BECBE"},
      {"abc", "", "EF91F1604B6A8CBBA8C2872D4C91E61D3F4EF"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(bytes(Utils::getDigest(c.text, c.key)), c.digest) << c.text << " / " << c.key;
}

TEST_F(Digest, TheDigestCoversBytesAfterANul) {
  const std::string a("a\0b", 3), b("a\0c", 3);
  EXPECT_NE(bytes(Utils::getDigest(vt(a), "K")), bytes(Utils::getDigest(vt(b), "K")));
}

TEST_F(Digest, AFreshHomeGetsItsKeyAndIdFilesOnce) {
  const std::string before = bytes(Utils::getMD5("abc"));
  ASSERT_TRUE(fs::is_directory(vesko()));
  const std::string key = TempDir::read(vesko("md5"));
  EXPECT_TRUE(isKeyText(key)) << key;
  EXPECT_EQ(before, bytes(Utils::getDigest("abc", vt(key))));
  EXPECT_EQ(permsOf(vesko("md5")), fs::perms::owner_read | fs::perms::owner_write);
  // Never writable by the group or others, whatever the umask adds.
  EXPECT_EQ(permsOf(vesko()) & (fs::perms::group_write | fs::perms::others_write), fs::perms::none);

  const std::string id = bytes(Utils::getUserID());
  EXPECT_TRUE(isKeyText(id)) << id;
  EXPECT_EQ(TempDir::read(vesko("userid")), id);
  EXPECT_EQ(bytes(Utils::getSecurityID()), id);
  EXPECT_EQ(bytes(Utils::getSignature()), id);
  EXPECT_NE(id, key);
  // What a second process finds.
  EXPECT_EQ(bytes(Utils::getID("md5")), key);
  EXPECT_EQ(bytes(Utils::getID("userid")), id);
}

TEST_F(Digest, AStoredKeyIsUsedAsItStands) {
  fs::create_directory(vesko());
  TempDir::write(vesko("md5"), "SECRET");
  EXPECT_EQ(bytes(Utils::getMD5("abc")), bytes(Utils::getDigest("abc", "SECRET")));
}

TEST_F(Digest, WithoutAHomeTheKeyIsEmpty) {
  setHome("");
  EXPECT_EQ(bytes(Utils::getID("md5")), "");
  EXPECT_EQ(bytes(Utils::getMD5("abc")), "EF91F1604B6A8CBBA8C2872D4C91E61D3F4EF");
}

TEST_F(Digest, RacingCreatorsAllGetTheStoredValue) {
  constexpr int kThreads = 8;
  std::vector<std::string> values(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&values, i] { values[i] = bytes(Utils::getID("userid")); });
  for (auto& t : threads) t.join();
  const std::string stored = TempDir::read(vesko("userid"));
  EXPECT_TRUE(isKeyText(stored));
  for (const std::string& v : values) EXPECT_EQ(v, stored);
}

TEST_F(Digest, AValueThatCannotBeStoredServesThisCallOnly) {
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride use(faults);
  faults.failPath("/.vesko/", EACCES, platform::kFsRename);
  const std::string first = bytes(Utils::getID("md5"));
  const std::string second = bytes(Utils::getID("md5"));
  EXPECT_TRUE(isKeyText(first));
  EXPECT_TRUE(isKeyText(second));
  EXPECT_NE(first, second);
  EXPECT_TRUE(fs::is_empty(vesko()));
}

TEST_F(Digest, ShortValuesAreCachedLongOnesReadEachTime) {
  fs::create_directory(vesko());
  TempDir::write(vesko("userid"), "FIRST");
  EXPECT_EQ(bytes(Utils::getUserID()), "FIRST");
  TempDir::write(vesko("userid"), "CHANGED");
  EXPECT_EQ(bytes(Utils::getUserID()), "FIRST");

  // Another home is another user's folder.
  setHome(sandbox.posix("Users/bob"));
  sandbox.makeFolder("Users/bob/.vesko");
  const std::string longValue(41, 'A');
  sandbox.writeFile("Users/bob/.vesko/userid", longValue);
  EXPECT_EQ(bytes(Utils::getUserID()), longValue);
  sandbox.writeFile("Users/bob/.vesko/userid", "SHORT");
  EXPECT_EQ(bytes(Utils::getUserID()), "SHORT");
}

TEST_F(Digest, AuthenticationStates) {
  const std::string good = signedText("payload");
  const size_t firstLine = good.find('\n') + 1;
  const std::string unsignedText = good.substr(firstLine);
  std::string tampered = good;
  tampered.back() = 'X';
  const struct {
    const char* name;
    std::string text;
    bool authentication;
    const char* status;
    bool rejected;
    const char* body;
  } cases[] = {
      {"intact", good, true, "", false, "payload"},
      {"body changed", tampered, true, "REJECTED", true, "payloaX"},
      {"wrong digest", "@AK>MD5:0\n" + unsignedText, true, "REJECTED", true, "payload"},
      {"empty digest", "@AK>MD5:\n" + unsignedText, true, "REJECTED", true, "payload"},
      // Peers that sign nothing, or sign with the alternative line, are
      // accepted.
      {"no digest line", unsignedText, true, "", false, "payload"},
      {"alternative digest", "@AK>Digest:whatever\n" + unsignedText, true, "", false, "payload"},
      {"alternative hides a wrong digest", "@AK>Digest:x\n@AK>MD5:0\n" + unsignedText, true, "",
       false, "payload"},
      {"not checked", tampered, false, "NODIGEST", true, "payloaX"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Message::setAuthentication(c.authentication);
    Message m;
    m.readFromString(c.text.data(), c.text.size());
    EXPECT_EQ(bytes(m.mAuthenticationStatus), c.status);
    EXPECT_EQ(m.isRejected(), c.rejected);
    EXPECT_EQ(bytes(m.mBody), c.body);
  }
}

TEST_F(Digest, ABodyWithANulIsReadWholeAndChecked) {
  const std::string body("a\0b", 3);
  const std::string text = signedText(body);

  Message whole;
  whole.readFromString(text.data(), text.size());
  EXPECT_EQ(bytes(whole.mBody), body);
  EXPECT_EQ(bytes(whole.mAuthenticationStatus), "");

  // Read as a C string the body ends at the NUL, which the digest notices.
  Message cut;
  cut.readFromString(text.c_str());
  EXPECT_EQ(bytes(cut.mBody), "a");
  EXPECT_EQ(bytes(cut.mAuthenticationStatus), "REJECTED");

  // Nothing after the NUL can be changed unnoticed.
  std::string changed = text;
  changed.back() = 'c';
  EXPECT_EQ(statusOf(changed), "REJECTED");
}

TEST_F(Digest, SenderIdNamesThisProcess) {
  EXPECT_EQ(bytes(Utils::getSenderID()), "localhost:mac" + std::to_string(platform::processId()));
}

TEST_F(Digest, FileHelpers) {
  platform::FaultInjectingFileSystem faults;
  platform::FileSystemOverride use(faults);
  const std::string folder = home() + "/f";
  EXPECT_TRUE(Utils::mkdir(vt(folder)));
  EXPECT_TRUE(Utils::fileExists(vt(folder)));
  // An existing folder is not made again.
  const int mkdirs = faults.callCount(platform::kFsMkdir);
  EXPECT_TRUE(Utils::mkdir(vt(folder)));
  EXPECT_EQ(faults.callCount(platform::kFsMkdir), mkdirs);

  const std::string file = folder + "/data";
  EXPECT_EQ(Velt::writeFile(vt(file), "12345", 5), 0);
  char* data = nullptr;
  uint32_t size = 0;
  ASSERT_EQ(Velt::readFile(vt(file), data, size), 0);
  EXPECT_EQ(std::string(data, size), "12345");
  Velt::VtHeap::freeHeap(data);
  EXPECT_EQ(Velt::readFile(vt(folder + "/missing"), data, size), ENOENT);
  EXPECT_EQ(data, nullptr);

  EXPECT_FALSE(Utils::rmdir(vt(folder)));  // not empty
  EXPECT_TRUE(Utils::deleteFile(vt(file)));
  EXPECT_FALSE(Utils::deleteFile(vt(file)));
  EXPECT_TRUE(Utils::rmdir(vt(folder)));
  EXPECT_FALSE(Utils::rmdir(vt(folder)));
  EXPECT_FALSE(Utils::fileExists(vt(folder)));
}

TEST_F(Digest, TimeHelpersReadTheClock) {
  const uint32_t start = Utils::getTimeSeconds();
  EXPECT_EQ(start, nowSeconds());
  EXPECT_EQ(Utils::getUTCTimeMilliSeconds(), static_cast<double>(clock.wallMs()));
  Utils::sleep(61000);
  EXPECT_EQ(Utils::getTimeSeconds(), start + 61);
  const uint32_t at = 12 * 3600 + 7;
  const std::string text = bytes(Utils::getTimeString(&at));
  ASSERT_EQ(text.size(), 8u);
  EXPECT_EQ(text.substr(2, 1) + text.substr(5, 1), "::");
  EXPECT_EQ(text.substr(6), "07");
}

}  // namespace
