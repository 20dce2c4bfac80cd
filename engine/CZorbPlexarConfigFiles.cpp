// The product-configuration files: a host's "VornConfig.xml" and
// "VornMaster.xml", and the user's "VornDerive.xml" of hosts added by folder.
#include <optional>
#include <string>
#include <string_view>

#include "engine/CZorbPlexar.h"
#include "foundation/CZorbFile.h"
#include "foundation/CZorbGetXMLProxy.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/CZorbXmlFile.h"
#include "foundation/CZorbXmlPairs.h"
#include "foundation/Logger.h"
#include "foundation/StringUtil.h"
#include "messaging/Specifier.h"
#include "platform/os/SmallFiles.h"
#include "platform/os/Utf.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

constexpr const char16_t* kConfigFile = u"VornConfig.xml";
constexpr const char16_t* kConfigSubFolderFile = u"Configuration:VornConfig.xml";
constexpr const char16_t* kMasterFile = u"VornMaster.xml";
constexpr const char16_t* kMasterSubFolderFile = u"Configuration:VornMaster.xml";
constexpr const char16_t* kDeriveFile = u"VornDerive.xml";
constexpr const char16_t* kPairsPrefix = u"Configuration.VariableForPlexo.Data";
constexpr const char16_t* kDeriveTemplate =
    u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r<Configuration>\r  <VariableForPlexo>\r"
    u"  </VariableForPlexo>\r</Configuration>\r";
constexpr const char16_t* kVariablesEnd = u"</VariableForPlexo>";
// The longest application path the registry is asked for.
constexpr int32_t kMaxApplicationPath = 2048;

void debug(const std::u16string& text, int line) {
  Logger::write(Logger::kDebug, text, __FILE__, line);
}
void error(const std::u16string& text, int line) {
  Logger::write(Logger::kError, text, __FILE__, line);
}
std::u16string str(const CString& text) {
  return std::u16string(text.Get());
}

CString withColon(const CString& folder) {
  CString out = folder;
  if (out.GetLength() == 0 || out.GetAt(out.GetLength() - 1) != u':') out += u":";
  return out;
}
CString withoutColon(const CString& folder) {
  CString out = folder;
  if (out.GetLength() && out.GetAt(out.GetLength() - 1) == u':') out.Delete(out.GetLength() - 1, 1);
  return out;
}

// The file in the folder's "Configuration" sub-folder, else in the folder
// itself; empty when neither exists.
CString configurationFile(const CString& folder, const char16_t* inSub, const char16_t* direct) {
  const CString base = withColon(folder);
  if (CZorbOS::FileExists(base + inSub)) return base + inSub;
  if (CZorbOS::FileExists(base + direct)) return base + direct;
  return CString();
}

// Markup characters of a text written into an element or attribute.
CString escapeXml(const CString& text) {
  CString out;
  for (int32_t i = 0; i < text.GetLength(); ++i) {
    switch (const char16_t unit = text.GetAt(i)) {
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'"':
        out += u"&quot;";
        break;
      default:
        out += unit;
    }
  }
  return out;
}

int refuseDerivedFile(const CString& path, int line) {
  error(u"Vorn mastered products Derive file: " + str(path) + u" is not in the expected form",
        line);
  return -1;
}

// A folder in the program's form without a trailing ":"; a POSIX folder
// (as the movie and the product files give them) is converted.
bool programForm(const CString& folder, CString& colon) {
  if (folder.GetLength() == 0) return false;
  if (folder.GetAt(0) != u'/') {
    colon = withoutColon(folder);
    return true;
  }
  CString converted;
  if (!CZorbOS::convertPath(std::u16string(folder.Get()), converted, false)) return false;
  colon = withoutColon(converted);
  return true;
}

}  // namespace

void CZorbPlexar::generateVornConfigPath(CString& path, const char* specifier) {
  path.Empty();
  // A host without a folder must not inherit the master entry of the one
  // before it.
  m_masterEntry.clear();
  CString application;
  const Velt::ArborTalk::Specifier target(specifier, false);
  StringUtil::convertVTStringToCString(target.getApplicationPath(), application);
  if (application.GetLength() > kMaxApplicationPath)
    application = application.Left(kMaxApplicationPath);
  const int32_t slash = application.ReverseFind(u'/');
  if (slash < 0) return;
  CString folder;
  if (!CZorbOS::convertPath(std::u16string(application.Left(slash).Get()), folder, true)) return;
  ProcessMasterConfigManagedProducts(folder, specifier);
  const CString base = withColon(folder);
  path = CZorbOS::FileExists(base + kConfigSubFolderFile) ? base + kConfigSubFolderFile
                                                          : base + kConfigFile;
}

void CZorbPlexar::ProcessMasterConfigManagedProducts(const CString& folder, const char* specifier) {
  if (folder.GetLength() == 0) return;
  m_masterEntry.clear();
  m_dollarTokens.SetAt(CString(u"$installfolder"), withoutColon(folder));
  const CString master = configurationFile(folder, kMasterSubFolderFile, kMasterFile);
  if (master.GetLength() == 0) return;
  CString text;
  readMasterConfigContent(master, text);
  CZorbGetXMLProxy* proxy = CZorbGetXMLProxy::GetInstance();
  if (text.GetLength() == 0 || !proxy) return;
  CZorbPath file(master);
  CString posix;
  if (!getFilePathForBrio(file.GetFolder(), file.GetFileName(), posix)) return;
  if (!proxy->getXMLinfoFromBareString(posix, kPairsPrefix)) return;
  CString name;
  StringUtil::convertStringToWide(std::string(specifier ? specifier : ""), name);
  for (const auto& [key, raw] : proxy->GetResults()) {
    CString value = raw;
    processTokenString(value);
    CString valid;
    if (!processValidVornConfigFile(value, valid)) continue;
    CString colon;
    if (!programForm(valid, colon)) continue;
    m_masterEntry.SetAt(name, colon);
    return;
  }
}

bool CZorbPlexar::processValidVornConfigFile(const CString& folder, CString& out) {
  CString colon;
  if (!programForm(folder, colon)) return false;
  if (configurationFile(colon, kConfigSubFolderFile, kConfigFile).GetLength() == 0) return false;
  out = withoutColon(folder);
  return true;
}

void CZorbPlexar::readMasterConfigContent(const CString& path, CString& text) {
  debug(u"---Begin to read vorn master configuration data file---", __LINE__);
  debug(u"The present vorn master configuration data file is:", __LINE__);
  debug(str(path), __LINE__);
  text.Empty();
  CZorbFile file(CZorbUnicodeConverter::kUTF8);
  if (file.Open(path.Get(), 0)) {
    // A file that cannot be read whole gives no text.
    (void)file.ReadFile(text);
    file.Close();
  } else {
    debug(u"File open error", __LINE__);
  }
  debug(u"---End to read  vorn master configuration data file---", __LINE__);
}

bool CZorbPlexar::derivedProductsFolder(CString& folder) {
  // The per-user folders need the multi-user facts (set once).
  CZorbOS::InitMultiUserMembers();
  CZorbPath appData;
  if (!CZorbOS::GetCurrentUserAppDataPath(appData)) return false;
  folder = withColon(appData) + u"Vesko:Plexar WB5";
  return true;
}

void CZorbPlexar::ProcessVornDrivedProducts() {
  CString folder;
  if (!derivedProductsFolder(folder)) {
    error(u"Vorn drived folder:  not exist", __LINE__);
    return;
  }
  if (!CZorbOS::DirectoryExists(folder) && !CZorbOS::CreateDirectory(folder, true))
    debug(u"Can not create " + str(folder), __LINE__);
  if (!CZorbOS::DirectoryExists(folder)) {
    error(u"Vorn drived folder: " + str(folder) + u" not exist", __LINE__);
    return;
  }
  const CString path = folder + u":" + kDeriveFile;
  if (!CZorbOS::FileExists(path)) CreateFileWithConstString(path, kDeriveTemplate);
  if (!CZorbOS::FileExists(path)) {
    error(u"Vorn mastered products Derive file: " + str(path) + u" not exist", __LINE__);
    return;
  }
  ProcessValidVornConfigPath(path);
}

void CZorbPlexar::ProcessValidVornConfigPath(const CString& path) {
  CString text;
  readMasterConfigContent(path, text);
  CZorbGetXMLProxy* proxy = CZorbGetXMLProxy::GetInstance();
  if (text.GetLength() == 0 || !proxy) return;
  CZorbPath file(path);
  CString posix;
  if (!getFilePathForBrio(file.GetFolder(), file.GetFileName(), posix)) return;
  if (!proxy->getXMLinfoFromBareString(posix, kPairsPrefix)) return;
  for (const auto& [key, raw] : proxy->GetResults()) {
    CString value = raw;
    processTokenString(value);
    CString valid;
    if (processValidVornConfigFile(value, valid))
      m_derivedProducts.SetAt(key, valid);
    else
      debug(u"Vorn not find valid VornConfig.xml from path: " + str(value), __LINE__);
  }
}

void CZorbPlexar::CreateFileWithConstString(const CString& path, const CString& text) {
  if (path.GetLength() == 0) {
    debug(u"The input file name in function CreateFileWithConstString is null ", __LINE__);
    return;
  }
  // Never over a file of the user's, and never half written.
  if (CZorbOS::FileExists(path) ||
      CZorbXmlFile::WriteDocument(path.Get(), text, CZorbUnicodeConverter::kUTF8, false) != 0)
    debug(u"The file is can not be opened correctly: " + str(path), __LINE__);
}

bool CZorbPlexar::isProductHasBeenInegrated(const CString& folder, const CString& path) {
  // The folders already listed are the values the parse of the file gives,
  // tokens expanded, as start-up reads them.
  CZorbGetXMLProxy::ResultMap pairs;
  CZorbGetXMLProxy* proxy = CZorbGetXMLProxy::GetInstance();
  CZorbPath file(path);
  CString posix;
  if (!getFilePathForBrio(file.GetFolder(), file.GetFileName(), posix)) return false;
  if (proxy) {
    if (proxy->getXMLinfoFromBareString(posix, kPairsPrefix)) pairs = proxy->GetResults();
  } else {
    (void)CZorbXmlPairs::Read(posix, kPairsPrefix, pairs);
  }
  CString wanted;
  if (!programForm(folder, wanted)) return false;
  for (const auto& [key, raw] : pairs) {
    CString value = raw;
    processTokenString(value);
    CString listed;
    if (programForm(value, listed) && listed.CompareNoCase(wanted) == 0) return true;
  }
  return false;
}

bool CZorbPlexar::isProductAlreadyMastered(const CString& specifier) {
  return m_masteredHosts.find(specifier) != m_masteredHosts.end();
}

int CZorbPlexar::AddIntegratedProductByPath(const CString& folder) {
  CString valid;
  CString colon;
  CString posix;
  if (!processValidVornConfigFile(folder, valid) || !programForm(valid, colon) ||
      !CZorbOS::convertPath(colon, posix)) {
    debug(u"Vorn not find valid VornConfig.xml from path: " + str(folder), __LINE__);
    return -1;
  }
  // The file keeps folders in POSIX form, as the common product takes them.
  valid = posix;
  if (valid.GetLength() > 1 && valid.GetAt(valid.GetLength() - 1) == u'/')
    valid.Delete(valid.GetLength() - 1, 1);
  CString derived;
  if (!derivedProductsFolder(derived) || !CZorbOS::DirectoryExists(derived)) {
    error(u"Vorn drived folder: " + str(derived) + u" not exist", __LINE__);
    return -1;
  }
  const CString path = derived + u":" + kDeriveFile;
  CString text;
  // The user's file keeps its byte-order mark; the program's own has none.
  bool mark = false;
  if (CZorbOS::FileExists(path)) {
    if (isProductHasBeenInegrated(valid, path)) {
      if (m_pUI) m_pUI->MessageBox(Message(kMsgProductAlreadyImported, valid).Get(), 0, true);
      return 0;
    }
    readMasterConfigContent(path, text);
    // Every byte of the user's must come back around the new entry, its
    // mark and line ends too: a file that the UTF-8 reading does not give
    // back whole (bytes that are not UTF-8, another encoding's mark) is
    // left as it is.
    constexpr std::string_view kMark = "\xEF\xBB\xBF";
    CString filePosix;
    std::optional<std::string> file;
    if (CZorbOS::convertPath(path, filePosix)) file = platform::utf16ToUtf8(str(filePosix));
    std::string bytes;
    if (!file || platform::readWholeFile(*file, bytes) != 0)
      return refuseDerivedFile(path, __LINE__);
    mark = bytes.compare(0, kMark.size(), kMark) == 0;
    const std::optional<std::string> reread = platform::utf16ToUtf8(str(text));
    if (!reread || bytes.compare(mark ? kMark.size() : 0, std::string::npos, *reread) != 0)
      return refuseDerivedFile(path, __LINE__);
  } else {
    text = kDeriveTemplate;
  }

  // The entry goes inside the variables, so the file stays one the parse
  // at start-up reads; a file of another shape is left as it is.
  const std::u16string whole(text.Get());
  const size_t end = whole.rfind(kVariablesEnd);
  if (end == std::u16string::npos) return refuseDerivedFile(path, __LINE__);
  size_t at = end;
  while (at > 0 && (whole[at - 1] == u' ' || whole[at - 1] == u'\t')) --at;
  const char16_t* lineEnd = whole.find(u'\r') == std::u16string::npos     ? u"\n"
                            : whole.find(u"\r\n") != std::u16string::npos ? u"\r\n"
                                                                          : u"\r";
  // The key names the host by its folder, which is unique in the file.
  const std::u16string entry = u"    <Data key=\"" + str(escapeXml(valid)) + u"\">" +
                               str(escapeXml(valid)) + u"</Data>" + lineEnd;
  const std::u16string updated = whole.substr(0, at) + entry + whole.substr(at);

  // The new entry must come back from the parse, or nothing is written.
  const std::optional<std::string> bytes = platform::utf16ToUtf8(updated);
  CZorbGetXMLProxy::ResultMap pairs;
  CString found;
  if (!bytes ||
      CZorbXmlPairs::ReadBytes(bytes->data(), bytes->size(), kPairsPrefix, pairs) !=
          CZorbXmlPairs::kPairs ||
      !pairs.Lookup(valid, found) || found != valid)
    return refuseDerivedFile(path, __LINE__);
  if (CZorbXmlFile::WriteDocument(path.Get(), CString(updated.c_str()),
                                  CZorbUnicodeConverter::kUTF8, mark) != 0) {
    error(u"The file is can not be opened correctly: " + str(path), __LINE__);
    return -1;
  }
  return 0;
}
