#include "messaging/ArborTalkUtils.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "messaging/DebugAlert.h"
#include "messaging/PDBConnector.h"
#include "platform/os/ArchiveSupport.h"
#include "platform/os/Clock.h"
#include "platform/os/FileSystem.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/PreferredLanguages.h"
#include "platform/os/RandomBytes.h"
#include "platform/os/SmallFiles.h"
#include "platform/os/SymbolicLink.h"

namespace Velt {

namespace {

constexpr char kUserFolder[] = "/.vesko";
constexpr char kHashKeyFile[] = "md5";
constexpr char kUserIDFile[] = "userid";
constexpr mode_t kFolderMode = 0771;
constexpr mode_t kFileMode = 0600;
constexpr size_t kRandomBytes = 16;
// Longer values are used but read again on the next call.
constexpr size_t kMaxCachedValue = 40;
// A value file is a few dozen bytes; anything far larger is not one.
constexpr size_t kMaxValueFile = 4096;
constexpr size_t kMaxDigestBytes = 32;
constexpr int32_t kMaxAliasPath = 1024;
// As many links as the system follows in one path.
constexpr int kMaxAliasHops = 40;
constexpr size_t kMaxLocaleLength = 15;
constexpr char kDefaultLocale[] = "en_us";
constexpr char kLaunchFolder[] = "/Vesko/Launch";

VtString toVt(const std::string& s) {
  return VtString(s.data(), static_cast<int32_t>(s.size()));
}

// Each byte as "%X": one or two characters.
VtString hexText(const unsigned char* bytes, size_t n) {
  VtString out;
  for (size_t i = 0; i < n; ++i) {
    char digits[4];
    const int len = std::snprintf(digits, sizeof digits, "%X", bytes[i]);
    out.append(digits, len);
  }
  return out;
}

std::string homeFolder() {
  return platform::PlatformConfig::current().homeFolder();
}

// A per-user value, kept once read for the home folder it came from.
class CachedID {
 public:
  explicit CachedID(const char* name) : mName(name) {}

  VtString get() {
    const std::string home = homeFolder();
    {
      std::lock_guard<std::mutex> guard(mMutex);
      if (mValid && mHome == home) return toVt(mValue);
    }
    const VtString value = ArborTalkUtils::getID(mName);
    if (value.length() > 0 && static_cast<size_t>(value.length()) <= kMaxCachedValue) {
      std::lock_guard<std::mutex> guard(mMutex);
      mHome = home;
      mValue.assign(value.get(), static_cast<size_t>(value.length()));
      mValid = true;
    }
    return value;
  }

 private:
  const char* mName;
  std::mutex mMutex;
  bool mValid = false;
  std::string mHome;
  std::string mValue;
};

CachedID& hashKey() {
  static CachedID id(kHashKeyFile);
  return id;
}

CachedID& userID() {
  static CachedID id(kUserIDFile);
  return id;
}

}  // namespace

namespace ArborTalkUtils {

bool setup() {
  return true;
}

void init() {}

void exit() {}

VtString getMD5(const VtString& text) {
  return getDigest(text, hashKey().get());
}

VtString getDigest(const VtString& text, const VtString& key) {
  std::string input;
  input.reserve(static_cast<size_t>(key.length()) * 2 + static_cast<size_t>(text.length()) + 2);
  input.append(key.get(), static_cast<size_t>(key.length()));
  input += '+';
  input.append(text.get(), static_cast<size_t>(text.length()));
  input += '+';
  input.append(key.get(), static_cast<size_t>(key.length()));

  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(input.data(), input.size(), digest, &size, EVP_sha1(), nullptr) != 1) {
    VT_DEBUG_ALERT("ArborTalkUtils::getDigest - error: CSSM_DigestData .");
    return VtString();
  }
  return hexText(digest, size < kMaxDigestBytes ? size : kMaxDigestBytes);
}

VtString getUserID() {
  return userID().get();
}

VtString getSecurityID() {
  return getUserID();
}

VtString getSignature() {
  return getUserID();
}

VtString getSenderID() {
  VtString id("localhost:mac");
  id << platform::processId();
  return id;
}

VtString createRandomValue() {
  unsigned char bytes[kRandomBytes];
  if (!platform::randomBytes(bytes, sizeof bytes)) {
    VT_DEBUG_ALERT("ArborTalkUtils::createRandomValue - error: CSSM_Init .");
    return VtString();
  }
  return hexText(bytes, sizeof bytes);
}

VtString getID(const char* name) {
  const std::string home = homeFolder();
  if (home.empty() || !name || !*name) return VtString();
  const std::string folder = home + kUserFolder;
  const std::string path = folder + "/" + name;

  std::string stored;
  if (platform::pathExists(path)) {
    // An unreadable file gives no value rather than a new one that would
    // differ from what the user's other applications use.
    if (platform::readWholeFile(path, stored, kMaxValueFile) != 0) return VtString();
    return toVt(stored);
  }

  // The folder may exist already; creating the file tells.
  (void)platform::fileSystem().mkdir(folder, kFolderMode);
  const VtString value = createRandomValue();
  // An empty value is never stored: it would become every later key.
  if (value.length() == 0) return value;
  const int err = platform::createFileExclusively(path, value.get(),
                                                  static_cast<size_t>(value.length()), kFileMode);
  if (err == EEXIST) {
    // Another process stored its value first; everyone uses that one.
    if (platform::readWholeFile(path, stored, kMaxValueFile) != 0) return VtString();
    return toVt(stored);
  }
  // Not stored: the value serves this process only.
  return value;
}

bool fileExists(const VtString& path) {
  return platform::pathExists(std::string(path.get(), static_cast<size_t>(path.length())));
}

bool deleteFile(const VtString& path) {
  if (!fileExists(path)) return false;
  return platform::fileSystem().unlink(path.get()) == 0;
}

bool mkdir(const VtString& path) {
  if (fileExists(path)) return true;
  return platform::fileSystem().mkdir(path.get(), kFolderMode) == 0;
}

bool rmdir(const VtString& path) {
  if (!fileExists(path)) return false;
  return platform::fileSystem().rmdir(path.get()) == 0;
}

const char* getFolderSeparator() {
  return "/";
}

VtString resolveAlias(const VtString& path) {
  if (path.length() == 0 || path.length() > kMaxAliasPath) return path;
  std::string current(path.get(), static_cast<size_t>(path.length()));
  int hops = 0;
  for (;;) {
    std::string target;
    const int err = platform::readSymbolicLink(current, target);
    // EINVAL: no link, the end of the chain.
    if (err == EINVAL) break;
    if (err != 0 || ++hops > kMaxAliasHops) return path;
    if (target.empty()) return path;
    if (target[0] != '/')
      current = current.substr(0, current.rfind('/') + 1) + target;
    else
      current = target;
  }
  if (hops == 0 || !platform::pathExists(current)) return path;
  return toVt(current);
}

bool createAlias(const VtString& aliasPath, const VtString& targetPath) {
  const std::string alias(aliasPath.get(), static_cast<size_t>(aliasPath.length()));
  std::string target(targetPath.get(), static_cast<size_t>(targetPath.length()));
  if (alias.empty() || target.empty() || !platform::pathExists(target)) return false;
  // A link keeps its text: a relative one would be read from the alias's
  // folder instead.
  if (target[0] != '/') {
    std::error_code ec;
    target = std::filesystem::absolute(target, ec).string();
    if (ec) return false;
  }
  const size_t slash = alias.rfind('/');
  if (slash == std::string::npos) return false;
  const std::string folder = slash == 0 ? "/" : alias.substr(0, slash);
  if (!platform::pathExists(folder)) return false;
  const int err = platform::fileSystem().unlink(alias);
  if (err != 0 && err != ENOENT) return false;
  return platform::fileSystem().symlink(target, alias) == 0;
}

VtString getCurrentLocale() {
  // A language the settings force goes for the locale too.
  std::string name;
  const std::string& forced = platform::PlatformConfig::current().preferredLanguage;
  if (!forced.empty()) {
    const std::vector<std::string> languages = platform::preferredLanguagesFrom(forced, nullptr);
    if (!languages.empty()) name = languages.front();
  }
  if (name.empty()) name = platform::messagesLocaleName();
  if (name.empty()) return VtString(kDefaultLocale);
  return toVt(name.substr(0, kMaxLocaleLength)).lowercase();
}

VtString getLaunchFolderPath() {
  return toVt(platform::PlatformConfig::current().sharedAppDataFolder() + kLaunchFolder);
}

ArborTalkConnector* createConnector(const VtString& appName, const VtString& name) {
  if (name.length() != 0 && name != "default" && name != "PDB") return nullptr;
  ArborTalkConnector* connector = new PDBConnector(appName, true, PDBConnector::kOpal);
  if (!connector->isGood()) {
    delete connector;
    return nullptr;
  }
  return connector;
}

void sleep(uint32_t ms) {
  platform::currentClock().sleepFor(ms);
}

double getUTCTimeMilliSeconds() {
  return static_cast<double>(platform::currentClock().wallMs());
}

uint32_t getTimeSeconds() {
  return static_cast<uint32_t>(platform::currentClock().wallMs() / 1000);
}

VtString getTimeString(const uint32_t* time) {
  const uint32_t seconds = time ? *time : getTimeSeconds();
  platform::LocalTimeParts parts;
  if (!platform::localTimeOf(seconds, parts)) return VtString();
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.hour, parts.minute, parts.second);
  return VtString(text);
}

}  // namespace ArborTalkUtils

int readFile(const VtString& path, char*& data, uint32_t& size) {
  data = nullptr;
  size = 0;
  std::string content;
  if (int err = platform::readWholeFile(path.get(), content, UINT32_MAX - 1)) return err;
  char* buffer = static_cast<char*>(VtHeap::mallocHeap(content.size() + 1));
  if (!buffer) return ENOMEM;
  std::memcpy(buffer, content.data(), content.size());
  buffer[content.size()] = 0;
  data = buffer;
  size = static_cast<uint32_t>(content.size());
  return 0;
}

int writeFile(const VtString& path, const char* data, uint32_t size) {
  return platform::writeWholeFile(path.get(), data, size, kFileMode);
}

}  // namespace Velt
