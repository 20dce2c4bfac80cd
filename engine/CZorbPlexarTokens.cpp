// Paths of a description's files: tokens, sources and destinations.
#include <string>

#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionXMLParser.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

CString withColon(const CString& folder) {
  CString out = folder;
  if (out.GetLength() == 0 || out.GetAt(out.GetLength() - 1) != u':') out += u":";
  return out;
}

// Whether a relative colon path stays where it is put: no empty component
// (which climbs in the program's path form), no "." or "..".
bool staysBelow(const CString& relative) {
  const std::u16string text(relative.Get());
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(u':', start);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string name = text.substr(start, end - start);
    // A trailing ":" ends a folder; only that empty name is harmless.
    if (name.empty() && end != text.size()) return false;
    if (name == u"." || name == u"..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Start-up tokens
// ---------------------------------------------------------------------------

void CZorbPlexar::AddStartupToken(const CString& name, const CString& folder) {
  if (folder.GetLength() == 0) return;
  m_systemTokens.SetAt(name, withColon(folder));
  CString value = folder;
  if (value.GetAt(value.GetLength() - 1) == u':') value.Delete(value.GetLength() - 1, 1);
  m_dollarTokens.SetAt(CString(u"$") + name, value);
}

void CZorbPlexar::processApplicationSupport() {
  CZorbPath common;
  if (CZorbOS::GetCommonAppPath(common)) AddStartupToken(u"applicationsupport", withColon(common));
}

void CZorbPlexar::processMediaServiceCoreTokenValue() {
  CZorbPath common;
  if (CZorbOS::GetCommonAppPath(common))
    AddStartupToken(u"corvidplug-ins", withColon(common) + u"Vesko:Common:Plug-ins:WB5:Corvid:");
}

// ---------------------------------------------------------------------------
// Expanding texts
// ---------------------------------------------------------------------------

void CZorbPlexar::processTokenString(CString& text) {
  for (int round = 0; round < kMaxTokens; ++round) {
    const int32_t dollar = text.Find(u'$');
    if (dollar < 0) return;
    const int32_t slash = text.Find(u'/', dollar + 1);
    const CString token = slash < 0 ? text.Mid(dollar) : text.Mid(dollar, slash - dollar);
    CString key = token;
    key.MakeLower();
    CString value;
    if (!m_dollarTokens.Lookup(key, value)) return;
    // Only whole tokens: "$install" must not eat the start of
    // "$installfolder".
    const std::u16string whole(text.Get());
    const std::u16string name(token.Get());
    std::u16string out;
    size_t from = 0;
    for (size_t at = whole.find(name); at != std::u16string::npos; at = whole.find(name, at + 1)) {
      const size_t end = at + name.size();
      if (end < whole.size() && whole[end] != u'/') continue;
      out.append(whole, from, at - from).append(value.Get());
      from = end;
      at = end - 1;
    }
    out.append(whole, from, std::u16string::npos);
    text = out.c_str();
  }
}

// ---------------------------------------------------------------------------
// Sources and destinations
// ---------------------------------------------------------------------------

int CZorbPlexar::LocalizeSource(CZorbPath& source) {
  if (source.GetLength()) {
    source = CZorbExtensionXMLParser::SourceToColon(source);
    // A source names a file of the package: nothing outside the folder it
    // was unpacked into.
    const bool relative =
        source.GetAt(0) != u':' || source.GetLength() == 1 || source.GetAt(1) != u':';
    CString inner = source.GetAt(0) == u':' ? source.Mid(1) : CString(source);
    if (!relative || !staysBelow(inner)) {
      RefuseDestination(source);
      return -1;
    }
    // The root ends in ":", so a leading one would climb out of it.
    source = m_sourceRoot.GetLength() ? m_sourceRoot + inner : CString(source);
  }
  return 0;
}

void CZorbPlexar::AddChosenFolder(const CString& folder) {
  if (folder.GetLength()) m_chosenFolders.push_back(withColon(folder));
}

void CZorbPlexar::ClearChosenFolders() {
  m_chosenFolders.clear();
}

std::u16string CZorbPlexar::RecordedFoldersKey(const CZorbExtension* extension) {
  if (extension == nullptr) return std::u16string();
  CString name = CZorbPath(extension->m_path).GetFileName();
  name.MakeLower();
  return std::u16string(name.Get() ? name.Get() : u"", static_cast<size_t>(name.GetLength()));
}

CZorbPlexar::RecordedFolders::RecordedFolders(CZorbPlexar& engine, const CZorbProduct* product,
                                              const CZorbExtension* extension)
    : m_engine(engine), m_key(RecordedFoldersKey(extension)) {
  InstalledItems record;
  if (m_key.empty() || !ReadInstallRecord(engine.InstallRecordPath(product, extension), record))
    return;
  m_folders = record.m_chosenFolders;
  // An operation nested in another on the same extension keeps the outer one's.
  if (m_folders.empty() || engine.m_recordedFolders.count(m_key) > 0) return;
  engine.m_recordedFolders[m_key] = m_folders;
  m_added = true;
}

CZorbPlexar::RecordedFolders::~RecordedFolders() {
  if (m_added) m_engine.m_recordedFolders.erase(m_key);
}

bool CZorbPlexar::IsConfined(const CString& destination, const CZorbTypedVector<CString>& roots,
                             const CZorbExtension* extension) const {
  auto below = [&](const CString& root) {
    if (root.GetLength() < 2) return false;  // a bare ":" is no folder
    const CString folder = withColon(root);
    if (destination.GetLength() < folder.GetLength()) return false;
    if (destination.Left(folder.GetLength()).CompareNoCase(folder.Get()) != 0) return false;
    return staysBelow(destination.Mid(folder.GetLength()));
  };
  for (const auto& [name, folder] : m_systemTokens)
    if (name != u"suiteversion" && below(folder)) return true;
  for (const CString& folder : m_chosenFolders)
    if (below(folder)) return true;
  if (auto recorded = m_recordedFolders.find(RecordedFoldersKey(extension));
      recorded != m_recordedFolders.end())
    for (const CString& folder : recorded->second)
      if (below(folder)) return true;
  for (const CString& folder : roots)
    if (below(folder)) return true;
  return false;
}

void CZorbPlexar::RefuseDestination(const CString& destination) const {
  Logger::write(
      Logger::kError,
      u"Refused a path outside the extension's folders: " + std::u16string(destination.Get()),
      __FILE__, __LINE__);
  ShowError(Message(kMsgUnknownToken, destination) + u" " + Message(kMsgNotInstalled));
}

int CZorbPlexar::LocalizeDestination(CZorbPath& destination, const CZorbProduct* product,
                                     const CZorbPath& source, const CZorbPath& folder,
                                     const CZorbExtension* extension, const CString& /*first*/,
                                     const CString& /*second*/) {
  if (destination.GetLength()) destination.LocalizePathSeparators();
  const CString sourceName = source.GetFileName();
  if (destination.GetExtension().GetLength() &&
      destination.GetFileName().CompareNoCase(sourceName.Get()) == 0)
    destination = destination.GetFolder();
  if (destination.GetLength() && destination.GetAt(0) == u':' &&
      (destination.GetLength() < 2 || destination.GetAt(1) != u':'))
    destination = destination.Mid(1);
  destination = withColon(destination);

  // Folders the resolution took from the products' tokens: a destination
  // may lie below them.
  CZorbTypedVector<CString> roots;
  int count = 0;
  while (destination.GetLength() && destination.GetAt(0) == u'$') {
    if (++count > kMaxTokens) return -6;
    const int32_t colon = destination.Find(u':');
    CString name = destination.Mid(1, colon - 1);
    name.MakeLower();
    CString value;
    const CZorbProduct* remembered = nullptr;
    if (!m_systemTokens.Lookup(name, value)) {
      if (product && ProductToken(product, name, destination, folder, extension, value, roots)) {
        remembered = product;
      } else if (const CZorbProduct* other =
                     InstalledProductToken(name, destination, folder, extension, value, roots)) {
        remembered = other;
      } else if (extension) {
        CZorbTypedMap<std::u16string, std::u16string, CZorbMapStringLessThan> tokens;
        extension->GetUserDefinedTokens(tokens);
        for (const auto& [tokenName, definition] : tokens) {
          // A description may write the name as it is used, with its "$".
          CString written(tokenName.c_str());
          if (written.GetLength() > 1 && written.GetAt(0) == u'$') written = written.Mid(1);
          if (written.CompareNoCase(name.Get()) != 0) continue;
          value = definition.c_str();
          // A package's own definition may only lead to another token; a
          // folder comes from a person or from the tables above.
          CZorbPath localized(value);
          localized.LocalizePathSeparators();
          if (localized.GetLength() && localized.GetAt(0) != u'$' &&
              !IsChosenFolder(localized, extension)) {
            RefuseDestination(localized);
            return -1;
          }
          if (!staysBelow(localized.GetAt(0) == u'$' ? localized.Mid(1) : CString(localized))) {
            RefuseDestination(localized);
            return -1;
          }
          value = localized;
          break;
        }
      }
    }
    if (value.GetLength() == 0) return -6;
    value = withColon(value);
    const CString rest = colon < 0 ? CString() : destination.Mid(colon + 1);
    destination = value + rest;
    // The file name goes on once, after the last token.
    if (destination.GetAt(0) != u'$') destination.Append(sourceName.Get());
    if (remembered) MassageProductDestination(remembered, destination);
  }
  if (!IsConfined(destination, roots, extension)) {
    RefuseDestination(destination);
    return -1;
  }
  return 0;
}

bool CZorbPlexar::IsChosenFolder(const CString& folder, const CZorbExtension* extension) const {
  const CString wanted = withColon(folder);
  for (const CString& chosen : m_chosenFolders)
    if (chosen.CompareNoCase(wanted.Get()) == 0) return true;
  if (auto recorded = m_recordedFolders.find(RecordedFoldersKey(extension));
      recorded != m_recordedFolders.end())
    for (const CString& chosen : recorded->second)
      if (withColon(chosen).CompareNoCase(wanted.Get()) == 0) return true;
  return false;
}

int CZorbPlexar::LocalizeFiles(CZorbPath& source, CZorbPath& destination,
                               const CZorbProduct* product, const CZorbPath& folder,
                               const CZorbExtension* extension, const CString& first,
                               const CString& second) {
  if (LocalizeSource(source) != 0) return -1;
  return LocalizeDestination(destination, product, source, folder, extension, first, second);
}

// ---------------------------------------------------------------------------
// Files inside copied folders
// ---------------------------------------------------------------------------

void CZorbPlexar::getFullFolderPath(const CString& file, const CString& root,
                                    const CString& destinationA, const CString& destinationB,
                                    CString& outA, CString& outB) {
  const int32_t slash = root.ReverseFind(u'/');
  const CString folderName = slash < 0 ? CString(root) : root.Mid(slash + 1);
  CString relative = folderName;
  if (file.GetLength() > root.GetLength()) relative += file.Mid(root.GetLength());
  relative.Replace(u'/', u':');
  auto cut = [&](const CString& destination) {
    const int32_t keep = destination.GetLength() - folderName.GetLength();
    return (keep > 0 ? destination.Left(keep) : CString()) + relative;
  };
  outB = cut(destinationB);
  outA = cut(destinationA);
}

void CZorbPlexar::getPluginPath(const CString& file, const CString& root,
                                const CString& destinationA, const CString& destinationB,
                                CZorbPath& out) {
  out = destinationB;
  if (root.GetLength() == 0) return;
  CString discarded;
  CString full;
  getFullFolderPath(file, root, destinationA, destinationB, discarded, full);
  out = full;
}

void CZorbPlexar::handleOrignalDestination(const CString& fullPath, const CString& prefix,
                                           CString& path) {
  CString part =
      fullPath.GetLength() > prefix.GetLength() ? fullPath.Mid(prefix.GetLength()) : CString();
  const int32_t slash = part.ReverseFind(u'/');
  if (slash == 0)
    part.Empty();
  else if (slash > 0)
    part = part.Left(slash);
  const int32_t keep = path.GetLength() - part.GetLength();
  path = keep > 0 ? path.Left(keep) : CString();
}

// ---------------------------------------------------------------------------
// The locale whose files are copied
// ---------------------------------------------------------------------------

void CZorbPlexar::GetCopyFilePreferredLocale(const CZorbProduct* product,
                                             const CZorbExtension* extension, CString& locale,
                                             bool mayAsk) {
  locale.Empty();
  if (!extension) return;
  CString productLocale;
  CString productName;
  if (product) ProductLocaleAndName(product, productLocale, productName);
  if (extension->filesExistForLocale(productLocale)) {
    locale = productLocale;
    return;
  }
  CString current;
  CZorbOS::getLocale(current);
  if (current.GetLength() && extension->filesExistForLocale(current)) {
    locale = current;
    return;
  }
  if (m_pUI && mayAsk && !extension->m_localesWithFiles.empty()) {
    CZorbTypedVector<CString> locales;
    for (const auto& [code, unused] : extension->m_localesWithFiles) locales.push_back(code);
    CString name;
    extension->GetName(name);
    CString chosen;
    if (m_pUI->PromptForLocale(productName, name, locales, chosen) && chosen.GetLength()) {
      locale = chosen;
      return;
    }
  }
  if (extension->m_defaultLanguageGiven && extension->m_defaultLanguage.GetLength() &&
      extension->filesExistForLocale(extension->m_defaultLanguage)) {
    locale = extension->m_defaultLanguage;
    return;
  }
  CString name;
  extension->GetName(name);
  Logger::write(Logger::kDebug,
                u"GetCopyFilePreferredLocale can't be decided. Extension: " +
                    std::u16string(name.Get()) + u" productName: " +
                    std::u16string(productName.Get()),
                __FILE__, __LINE__);
}
