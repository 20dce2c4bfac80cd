#include "products/CZoltProductInfoFromArbor.h"

#include <algorithm>

#include "foundation/AppGlobals.h"
#include "foundation/CZorbFile.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"
#include "messaging/Specifier.h"
#include "messaging/VtString.h"

namespace {

void logDebug(const std::u16string& text, int line) {
  Logger::write(Logger::kDebug, text, __FILE__, line);
}

std::u16string text(const CString& s) {
  return TSTRING(s);
}

// The program's folder (gAppPath, a POSIX folder with or without its final
// "/") followed by name, in colon form; empty when it has none.
CString inProgramFolder(const std::string& name) {
  if (gAppPath.empty()) return CString();
  std::string posix = gAppPath;
  if (posix.back() != '/') posix += '/';
  posix += name;
  std::u16string wide;
  try {
    StringUtil::convertStringToWide(posix, wide);
  } catch (const std::runtime_error&) {
    return CString();
  }
  CString colon;
  if (!CZorbOS::convertPath(wide, colon, false)) return CString();
  return colon;
}

}  // namespace

CZoltProductInfoFromArbor::CZoltProductInfoFromArbor(const CString& name,
                                                     ConfigTokenMap* configTokens,
                                                     TokenMap* privateTokens)
    : m_name(name), m_privateTokens(privateTokens), m_configTokens(configTokens) {
  // Messaging names are ASCII; the low byte of each unit is what the
  // library is given.
  const size_t length = std::min(static_cast<size_t>(name.GetLength()), kMaxNameLength);
  m_name8.reserve(length);
  for (size_t i = 0; i < length; ++i)
    m_name8 += static_cast<char>(name.GetAt(static_cast<int32_t>(i)) & 0xFF);
}

CZoltProductInfoFromArbor::~CZoltProductInfoFromArbor() = default;

void CZoltProductInfoFromArbor::GetValue(const CString& key, CString& out) const {
  if (const CZorbGetXMLProxy* proxy = CZorbGetXMLProxy::GetInstance()) out = proxy->getValue(key);
}

void CZoltProductInfoFromArbor::GetInstallFolderName(CString& out) {
  const Velt::ArborTalk::Specifier specifier(m_name8.c_str(), true);
  CString path;
  StringUtil::convertVTStringToCString(specifier.getApplicationPath(), path);
  if (path.GetLength() > kMaxPathLength) path = path.Left(kMaxPathLength);
  const int32_t slash = path.ReverseFind(u'/');
  out = slash < 0 ? path : path.Left(slash);
}

bool CZoltProductInfoFromArbor::isLegalContext(CString& key, CString& value) {
  const int32_t slash = key.Find(u'/');
  if (slash < 0) return true;
  const CString tail = key.Mid(slash);
  // A value shorter than the tail cannot end with it.
  if (value.GetLength() < tail.GetLength()) return false;
  const int32_t cut = value.GetLength() - tail.GetLength();
  if (value.Mid(cut).CompareNoCase(tail) != 0) return false;
  key.Replace(u'/', u':');
  value = value.Left(cut);
  return true;
}

void CZoltProductInfoFromArbor::mapToProductTokens(TokenMap& tokens, bool caseSensitive) {
  const CZorbGetXMLProxy* proxy = CZorbGetXMLProxy::GetInstance();
  if (proxy == nullptr) return;
  for (const auto& [pairKey, pairValue] : proxy->GetResults()) {
    CString key = pairKey;
    CString value = pairValue;
    if (!isLegalContext(key, value)) continue;
    if (!caseSensitive) key.MakeLower();
    tokens.SetAt(text(key), text(value));
    if (m_configTokens) m_configTokens->SetAt(key, CString());
  }
}

void CZoltProductInfoFromArbor::readFile(const CString& path, bool mock) {
  logDebug(mock ? u"---Begin to read mocked data file---"
                : u"---Begin to read vorn configuration data file---",
           __LINE__);
  logDebug(
      (mock ? u"The present mocked data file is:" : u"The present vorn data file is:") + text(path),
      __LINE__);
  CZorbFile file(CZorbUnicodeConverter::kUTF8);
  if (file.Open(path, 0)) {
    // A file that cannot be read whole leaves the text empty: no configuration.
    (void)file.ReadFile(m_fileText);
    file.Close();
  } else {
    logDebug(u"File open error", __LINE__);
  }
  logDebug(mock ? u"---End to read mocked data file---"
                : u"---End to read  vorn configuration data file---",
           __LINE__);
}

void CZoltProductInfoFromArbor::setMockConnectData() {
  // The name is a file name in the program's folder, never a path out of it.
  const bool plainName = !m_name8.empty() && m_name8.find('/') == std::string::npos &&
                         m_name8 != "." && m_name8 != "..";
  readFile(plainName ? inProgramFolder(m_name8) : CString(), true);
}

bool CZoltProductInfoFromArbor::processTokenString(const CString& installFolder,
                                                   CString& outConfigPath, bool caseSensitive) {
  m_fileText.Empty();
  const CString marker = inProgramFolder(kMockMarker);
  const bool mock = marker.GetLength() > 0 && CZorbOS::FileExists(marker);

  CZorbPath configPath(installFolder);
  configPath.Append(kConfigFolderName);
  configPath.Append(kConfigFileName);
  if (!CZorbOS::FileExists(configPath)) {
    configPath = installFolder;
    configPath.Append(kConfigFileName);
  }

  if (mock) {
    setMockConnectData();
  } else {
    outConfigPath = configPath;
    readFile(configPath, false);
  }

  if (m_fileText.GetLength() == 0) {
    if (m_privateTokens) m_privateTokens->clear();
    if (m_configTokens) m_configTokens->clear();
    return true;
  }

  const CString folder = configPath.GetFolder();
  CString posix;
  if (!CZorbOS::convertPath(folder, posix)) {
    Logger::write(Logger::kError, u"Macintosh to Posix failed for " + text(folder), __FILE__,
                  __LINE__);
    return true;
  }
  if (posix.GetLength() == 0 || posix.GetAt(posix.GetLength() - 1) != u'/') posix += u'/';
  posix += configPath.GetFileName();

  if (CZorbGetXMLProxy* proxy = CZorbGetXMLProxy::GetInstance()) {
    if (!proxy->getXMLinfoFromBareString(posix, kKeyPrefix)) return false;
  }
  if (m_privateTokens) mapToProductTokens(*m_privateTokens, caseSensitive);
  return true;
}

CString CZoltProductInfoFromArbor::soStringToCString(const Velt::VtString& in) {
  CString out;
  StringUtil::convertVTStringToCString(in, out);
  return out;
}
