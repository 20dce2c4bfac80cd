#include "foundation/CZorbOS.h"

#include <mutex>
#include <string>

#include "platform/os/Clock.h"
#include "platform/os/PlatformConfig.h"
#include "platform/os/UserIdentity.h"
#include "platform/os/Utf.h"

uint32_t CZorbOS::fOSVersion = 0;
bool CZorbOS::fIsOSX = false;
bool CZorbOS::m_IsSupportedMultiUserSystem = false;
CString CZorbOS::m_appDataFolderName;
CString CZorbOS::m_appLibraryFolderName;

namespace {

std::mutex& initMutex() {
  static std::mutex m;
  return m;
}
bool g_multiUserInitDone = false;

std::mutex& localeMutex() {
  static std::mutex m;
  return m;
}
CString& plexoLocale() {
  static CString locale;
  return locale;
}

// UTF-8 that is not well formed still arrives as text: each byte that
// starts no valid sequence becomes U+FFFD.
std::u16string decodeLeniently(const std::string& text) {
  if (auto strict = platform::utf8ToUtf16(text)) return *strict;
  std::u16string out;
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t len = c < 0x80             ? 1
                 : (c & 0xE0) == 0xC0 ? 2
                 : (c & 0xF0) == 0xE0 ? 3
                 : (c & 0xF8) == 0xF0 ? 4
                                      : 0;
    if (len != 0 && i + len <= text.size()) {
      if (auto one = platform::utf8ToUtf16(std::string_view(text).substr(i, len))) {
        out += *one;
        i += len;
        continue;
      }
    }
    out += u'\uFFFD';
    ++i;
  }
  return out;
}

}  // namespace

void CZorbOS::InitMultiUserMembers() {
  std::lock_guard<std::mutex> g(initMutex());
  if (g_multiUserInitDone) return;
  g_multiUserInitDone = true;
  fOSVersion = platform::PlatformConfig::current().systemVersion;
  if (fOSVersion >= 0x1000) {
    fIsOSX = true;
    m_IsSupportedMultiUserSystem = true;
    m_appDataFolderName = u"Library:Application Support";
    m_appLibraryFolderName = u"Library";
  } else {
    m_IsSupportedMultiUserSystem = false;
  }
}

void CZorbOS::ResetMultiUserMembersForTest() {
  std::lock_guard<std::mutex> g(initMutex());
  g_multiUserInitDone = false;
  fOSVersion = 0;
  fIsOSX = false;
  m_IsSupportedMultiUserSystem = false;
  m_appDataFolderName.Empty();
  m_appLibraryFolderName.Empty();
}

bool CZorbOS::IsSupportedMultiUserSystem() {
  return m_IsSupportedMultiUserSystem;
}

bool CZorbOS::GetCurrentUserType(UserType& type) {
  type = kStandardUser;
  if (!m_IsSupportedMultiUserSystem) return false;
  auto identity = platform::currentUserIdentity();
  if (!identity) return false;
  if (identity->effectiveUid == 0) {
    type = kRootUser;
    return true;
  }
  if (identity->groupCount < 1) return false;
  const auto& admins = platform::PlatformConfig::current().adminGroups;
  for (const auto& name : identity->groupNames)
    for (const auto& admin : admins)
      if (name == admin) {
        type = kAdministrator;
        return true;
      }
  return true;
}

uint32_t CZorbOS::GetTickCount() {
  return platform::currentClock().tickMs();
}

void CZorbOS::AllowBackgroundProcessing() {}

bool CZorbOS::FileIsOpenWithExclusive(const char16_t*) {
  return false;
}

void CZorbOS::getLocale(CString& out) {
  std::lock_guard<std::mutex> g(localeMutex());
  out = plexoLocale();
}

void CZorbOS::setLocale(const CString& locale) {
  CString copy(locale);
  std::lock_guard<std::mutex> g(localeMutex());
  plexoLocale() = copy;
}

void CZorbOS::ansiCharToCString(const char* text, CString& out) {
  std::u16string wide = text != nullptr ? decodeLeniently(text) : std::u16string();
  out = CString(wide.c_str(), static_cast<uint32_t>(wide.size()));
}
