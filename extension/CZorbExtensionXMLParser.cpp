#include "extension/CZorbExtensionXMLParser.h"

#include <string>
#include <string_view>
#include <utility>

#include "config/CZorbConfigChanges.h"
#include "config/CZorbExtensionButton.h"
#include "config/CZorbExtensionMenuBase.h"
#include "config/CZorbHelpChanges.h"
#include "config/CZorbMenuChangeInsert.h"
#include "config/CZorbShortcutChangeInsert.h"
#include "config/ConfigNodeTable.h"
#include "config/ConfigXml.h"
#include "config/XmlMarkupScanner.h"
#include "extension/CZorbExtension.h"
#include "extension/CZorbExtensionFile.h"
#include "extension/CZorbExtensionFiles.h"
#include "extension/CZorbExtensionProduct.h"
#include "extension/CZorbExtensionSignInfo.h"
#include "extension/CZorbExtensionToken.h"
#include "extension/ExtensionXml.h"
#include "extension/KxiChanges.h"
#include "foundation/CFile.h"
#include "foundation/CZorbFileFinder.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbPath.h"
#include "foundation/Logger.h"
#include "package/CZorbPackageUtility.h"
#include "platform/widechar/WideChar.h"

namespace {

constexpr unsigned int kFolderNotListed = 4229;      // the folder path
constexpr unsigned int kDescriptionTooLarge = 4238;  // the path, the limit in MB

constexpr char16_t kWordDynamic[] = u"dynamic";
constexpr size_t kWordDynamicLength = 7;

std::u16string Ascii(const std::string& text) {
  return std::u16string(text.begin(), text.end());
}

bool Is(const char16_t* name, const char16_t* expected) {
  return name && cfgxml::NameIs(name, expected);
}

bool IsRootName(const char16_t* name) {
  return Is(name, u"quillory-extension") || Is(name, u"quillory-package");
}

bool IsBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t';
}

std::u16string_view View(const CString& text) {
  return std::u16string_view(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

CString Trimmed(const CString& text) {
  CString out(text);
  out.TrimLeft();
  out.TrimRight();
  return out;
}

// Whether the line pass could change a line: it holds a unit that may be
// escaped ("<" and ">" only next to "%" or "+") or the word dynamic.
bool MayChange(std::u16string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    switch (line[i]) {
      case u'&':
      case u'\'':
      case u'%':
      case u'+':
        return true;
      case u'd':
        if (line.substr(i, kWordDynamicLength) == kWordDynamic) return true;
        break;
      default:
        break;
    }
  }
  return false;
}

// A file entry's source as a path below the description's folder: no "/"
// at either end and no empty parts.
CString NormalisedSource(const CString& value) {
  std::u16string out;
  for (char16_t ch : View(value)) {
    if (ch == u'/' && (out.empty() || out.back() == u'/')) continue;
    out += ch;
  }
  while (!out.empty() && out.back() == u'/') out.pop_back();
  return CString(out.data(), static_cast<uint32_t>(out.size()));
}

// The part of a listed path that goes after the template's destination:
// counted from the source folder's own name, up to the last "/".
CString FolderPart(const CString& source, const CString& path, bool& hasFolder) {
  const int32_t slash = source.ReverseFind(u'/');
  const CString parent = slash >= 0 ? source.Left(slash + 1) : CString();
  CString relative = path;
  if (parent.GetLength() > 0 && path.Left(parent.GetLength()) == parent)
    relative = path.Mid(parent.GetLength());
  const int32_t last = relative.ReverseFind(u'/');
  hasFolder = last >= 0;
  return hasFolder ? relative.Left(last) : CString();
}

// Whether the source (in colon form), or a folder on its way below base,
// is a link.
bool ThroughLink(const CString& base, const CString& source) {
  CString path = base;
  const std::u16string_view parts = View(source);
  size_t from = 0;
  while (from <= parts.size()) {
    size_t to = parts.find(u':', from);
    if (to == std::u16string_view::npos) to = parts.size();
    if (from > 0) path += u':';
    path += CString(parts.data() + from, static_cast<uint32_t>(to - from));
    if (CZorbOS::IsFileSymbolicLink(path)) return true;
    from = to + 1;
  }
  return false;
}

void AppendClone(const CZorbExtensionFile& entry, CZorbExtensionFiles& list, const CString& path,
                 bool emptyFolder) {
  auto* clone = entry.Clone();
  clone->m_source = path;
  clone->m_folder = entry.m_source;
  bool hasFolder = false;
  const CString part = FolderPart(entry.m_source, path, hasFolder);
  CString destination = entry.m_destination;
  if (!emptyFolder || hasFolder) {
    if (destination.GetLength() == 0 || destination.GetAt(destination.GetLength() - 1) != u'/')
      destination += u'/';
    destination += part;
  }
  clone->m_destination = destination;
  if (emptyFolder) clone->m_isEmptyFolder = 1;
  list.m_children.push_back(clone);
}

}  // namespace

// Where the line pass stands in the markup, over the lines of a load.
struct CZorbExtensionXMLParser::TagScan {
  XmlMarkupScanner markup;
  std::u16string out;
};

CZorbExtensionXMLParser::CZorbExtensionXMLParser(CZorbExtension* extension)
    : m_extension(extension), m_scan(std::make_unique<TagScan>()) {}

CZorbExtensionXMLParser::~CZorbExtensionXMLParser() {
  m_warnings.clear();
  m_errors.clear();
}

// ---------------------------------------------------------------------------
// Line fix-ups

int CZorbExtensionXMLParser::OnPreProcessLine(CString& line) const {
  return FixLine(line);
}

int CZorbExtensionXMLParser::OnPreProcessCDATALine(CString& line) const {
  return FixLine(line);
}

int CZorbExtensionXMLParser::FixLine(CString& line) const {
  if (kxi::HasBrokenEmptyTagEnd(line.Get(), line.GetLength())) return -3;
  using State = XmlMarkupScanner::State;
  const std::u16string_view in = View(line);
  TagScan& scan = *m_scan;
  XmlMarkupScanner& markup = scan.markup;
  // The buffer of the last line is used again.
  std::u16string& out = scan.out;
  out.clear();
  bool changed = false;
  // Most lines hold nothing to escape and no word dynamic: for them only
  // the state is followed, and nothing is written.
  const bool mayChange = MayChange(in);
  // Markup and text outside sections are escaped unit by unit. The units
  // next to one are taken from the line as given: where a section or the
  // word dynamic cuts the text, they are never ones an escape looks for.
  const auto escape = [&in, &out, &changed](size_t i) {
    changed |= CZorbExtension::AppendBadXmlUnit(i > 0 ? in[i - 1] : 0, in[i],
                                                i + 1 < in.size() ? in[i + 1] : 0, out);
  };
  for (size_t i = 0; i < in.size(); ++i) {
    if (!mayChange) {
      // Nothing is written: on to the next unit that can change the state.
      i = markup.NextStop(in, i);
      if (i == in.size()) break;
      i += markup.Step(in, i) - 1;
      continue;
    }
    const State before = markup.state();
    if (before == State::kStartTag && in[i] == u'd' &&
        XmlMarkupScanner::AttributeAt(in, i, kWordDynamic)) {
      // A bare attribute: the word alone, not a name with a value.
      size_t next = i + kWordDynamicLength;
      while (next < in.size() && IsBlank(in[next])) ++next;
      if (next == in.size() || in[next] != u'=') {
        out += u"dynamic=\"true\"";
        changed = true;
        i += kWordDynamicLength - 1;
        continue;
      }
    }
    const size_t taken = markup.Step(in, i);
    if (before == State::kCData || markup.state() == State::kCData) {
      // A section's text, and the marks around it, stay as they are.
      out += in.substr(i, taken);
      i += taken - 1;
      continue;
    }
    escape(i);
  }
  if (changed) line.Assign(out.data(), static_cast<uint32_t>(out.size()));
  return 0;
}

// ---------------------------------------------------------------------------
// Helpers

kxi::Messages CZorbExtensionXMLParser::Messages() {
  return kxi::Messages{&m_warnings, &m_errors};
}

const char16_t* CZorbExtensionXMLParser::GetValue() {
  const char16_t* value = CZorbXMLParser::GetValue();
  if (!value) return nullptr;
  m_convertBuffer = value;
  m_convertBuffer.Replace(u'"', u'\'');
  return m_convertBuffer.Get() ? m_convertBuffer.Get() : u"";
}

int CZorbExtensionXMLParser::ParseDescription(const char16_t* path) {
  int64_t size = -1;
  {
    CFile file;
    if (path && file.Open(path, 0, true)) {
      size = file.GetLength();
      file.Close();
    }
  }
  if (size <= kMaxDescriptionBytes) return ParseFile(path, false);
  CString shown;
  if (!CZorbOS::convertPath(CString(path), shown)) shown = path;
  Logger::write(Logger::kError,
                u"The description " + std::u16string(View(shown)) + u" holds " +
                    Ascii(std::to_string(size)) + u" bytes, more than the " +
                    Ascii(std::to_string(kMaxDescriptionBytes)) + u" a description may hold",
                __FILE__, __LINE__);
  m_errors.push_front(CZorbString(extxml::FormatMessage(
      kDescriptionTooLarge, shown, Ascii(std::to_string(kMaxDescriptionBytes >> 20)).c_str())));
  return -1;
}

CString CZorbExtensionXMLParser::TakeValue() {
  // Straight from expat's value: a copy through the scratch buffer would
  // keep one more copy of a long value alive for the whole load.
  const char16_t* raw = CZorbXMLParser::GetValue();
  CString value(raw ? raw : u"");
  value.Replace(u'"', u'\'');
  return value;
}

CZorbXmlObject* CZorbExtensionXMLParser::Top() const {
  const auto& stack = m_extension->m_openElements;
  return stack.empty() ? nullptr : stack.back();
}

void CZorbExtensionXMLParser::Push(CZorbXmlObject* node) {
  m_extension->m_openElements.push_back(node);
}

void CZorbExtensionXMLParser::Attach(CZorbXmlObject* node) {
  if (CZorbXmlObject* top = Top())
    top->m_children.push_back(node);
  else
    m_orphans.emplace_back(node);
}

void CZorbExtensionXMLParser::AttachAndOpen(CZorbXmlObject* node) {
  Attach(node);
  Push(node);
}

void CZorbExtensionXMLParser::setErrorStringForAttribute(const char16_t* attribute,
                                                         const char16_t* element,
                                                         const CString& value,
                                                         const char16_t* allowed) {
  Messages().InvalidValue(attribute, element, value, allowed);
}

void CZorbExtensionXMLParser::setErrorStringForConditionalAttribute(const char16_t* attribute,
                                                                    const char16_t* element,
                                                                    const CString& value) {
  Messages().InvalidBoolean(attribute, element, value);
}

// ---------------------------------------------------------------------------
// Elements

void CZorbExtensionXMLParser::OnElementStart(const char16_t* name, const char16_t** attributes) {
  if (!m_extension || !name) return;
  FlushText();
  ++m_depth;
  ReadElement(name, attributes);
}

void CZorbExtensionXMLParser::ReadElement(const char16_t* name, const char16_t** attributes) {
  CZorbExtension& e = *m_extension;
  // A host's node is taken as it stood, whatever its name means here.
  if (m_hostNodeDepth > 0) {
    ReadRemembered(name, attributes);
    return;
  }
  if (m_depth == 1 && IsRootName(name)) {
    ReadRoot(name, attributes);
  } else if (Is(name, u"description") && !Top()) {
    m_inDescription = true;
    ParseAttributesOfDescriptionTag(attributes);
  } else if (Is(name, u"ui-access")) {
    m_inUIAccess = true;
    ReadTextElement(name, attributes, &e.m_uiAccessResId);
  } else if (Is(name, u"license-agreement")) {
    m_inLicense = true;
    ReadTextElement(name, attributes, &e.m_licenseResId);
  } else if (Is(name, u"defaultLanguage")) {
    m_inDefaultLanguage = true;
    e.m_defaultLanguageGiven = true;
  } else if (Is(name, u"author")) {
    ReadAuthor(name, attributes);
  } else if (Is(name, u"file-tokens")) {
    Push(&e.m_tokens);
  } else if (Is(name, u"token")) {
    ReadToken(name, attributes);
  } else if (Is(name, u"files")) {
    ReadFiles(name, attributes);
  } else if (Is(name, u"file")) {
    AppendPossbileFilesFromDirectory(name, attributes);
  } else if (Is(name, u"update")) {
    ReadUpdate(name, attributes);
  } else if (Is(name, u"products")) {
    Push(&e.m_products);
  } else if (Is(name, u"product")) {
    ReadProduct(name, attributes);
  } else if (Is(name, u"signatures")) {
    Push(&e.m_signInfos);
  } else if (Is(name, u"signature")) {
    ReadSignature(name, attributes);
  } else if (Is(name, u"button")) {
    ReadButton(attributes);
  } else if (Is(name, u"host-node") && ReadHostNode(attributes)) {
    // read
  } else if (ReadChangeElement(name, attributes) || ReadNode(name, attributes)) {
    // read
  } else if (Is(name, u"comment")) {
    ReadComment();
  } else {
    ReadGeneric(name, attributes);
  }
}

void CZorbExtensionXMLParser::ReadRoot(const char16_t* name, const char16_t** attributes) {
  CZorbExtension& e = *m_extension;
  const kxi::Messages messages = Messages();
  m_rootSeen = true;
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"id")) {
      e.m_id = value;
    } else if (Is(attr, u"name")) {
      e.m_name = value;
    } else if (Is(attr, u"version")) {
      e.SetVersion(value);
    } else if (Is(attr, u"ismultilingual")) {
      e.m_multilingual = kxi::ReadBoolean(attr, name, value, messages);
    } else if (Is(attr, u"name_resid")) {
      e.m_nameResId = value;
    } else if (Is(attr, u"icon")) {
      e.m_icon = value;
    } else if (Is(attr, u"requires-restart")) {
      e.m_requiresRestart = kxi::ReadBoolean(attr, name, value, messages);
    } else if (Is(attr, u"kxiversion")) {
      e.SetKXIVersion(value);
    } else if (Is(attr, u"vornversion")) {
      e.SetPlexoVersion(value);
    } else if (Is(attr, u"forcecheck")) {
      e.m_forceCheck = kxi::ReadBoolean(attr, name, value, messages);
    } else if (Is(attr, u"force-quit")) {
      e.m_forceQuit = kxi::ReadBoolean(attr, name, value, messages);
    } else if (Is(attr, u"locked")) {
      e.m_locked = kxi::ReadBoolean(attr, name, value, messages);
    } else if (Is(attr, u"show-files")) {
      // Shown unless the description says "false".
      e.m_showFiles = true;
      if (value.CompareNoCase(u"false") == 0)
        e.m_showFiles = false;
      else if (value.CompareNoCase(u"true") != 0)
        messages.InvalidBoolean(attr, name, value);
    } else if (Is(attr, u"type")) {
      e.m_typeText = value;
      e.m_type = kxi::TypeCode(value);
    } else if (Is(attr, u"pkgtype")) {
      e.m_packageType = CZorbPackageUtility::getIntTraslationForPackageType(value);
    } else if (Is(attr, u"plugin-manager-type")) {
      e.m_pluginManagerType = 1;
      if (value.CompareNoCase(u"all-users") == 0)
        e.m_pluginManagerType = 0;
      else if (value.CompareNoCase(u"current-user") != 0)
        messages.InvalidValue(attr, name, value, u"all-users,current-user");
    } else if (Is(attr, u"enabled-for-enabled-all")) {
      e.m_enabledForEnableAll = value.CompareNoCase(u"false") != 0;
    } else if (Is(attr, u"time-stamp")) {
      e.m_timeStamp.setDateTimeSting(value);
    } else {
      messages.UnknownAttribute(attr);
    }
  }
}

void CZorbExtensionXMLParser::ParseAttributesOfDescriptionTag(const char16_t** attributes) {
  CZorbExtension& e = *m_extension;
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"href")) {
      e.m_descriptionHref = value;
    } else if (Is(attr, u"source")) {
      e.m_descriptionSource = value;
    } else if (Is(attr, u"resid")) {
      e.m_descriptionResId = value;
    } else {
      CZorbString warning(u"Unknown attribute of tag 'description': ");
      warning += attr;
      warning += u'.';
      m_warnings.push_back(warning);
    }
  }
}

void CZorbExtensionXMLParser::ReadTextElement(const char16_t*, const char16_t** attributes,
                                              CString* resid) {
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"resid"))
      *resid = value;
    else
      Messages().UnknownAttribute(attr);
  }
}

void CZorbExtensionXMLParser::ReadAuthor(const char16_t*, const char16_t** attributes) {
  CZorbExtension& e = *m_extension;
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"name"))
      e.m_authorName = value;
    else if (Is(attr, u"author_resid"))
      e.m_authorResId = value;
    else
      Messages().UnknownAttribute(attr);
  }
}

void CZorbExtensionXMLParser::ReadToken(const char16_t*, const char16_t** attributes) {
  if (Top() != &m_extension->m_tokens) return;
  auto* token = new CZorbExtensionToken();
  m_extension->m_tokens.m_children.push_back(token);
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"name"))
      token->m_name = value;
    else if (Is(attr, u"prompt"))
      token->m_prompt = value;
    else if (Is(attr, u"default"))
      token->m_default = value;
    else if (Is(attr, u"definition"))
      token->m_definition = value;
    else
      Messages().UnknownAttribute(attr);
  }
}

void CZorbExtensionXMLParser::ReadFiles(const char16_t*, const char16_t** attributes) {
  CZorbExtensionFiles& files = m_extension->m_files;
  files.m_defaultFileType = extcode::kFileTypeNone;
  files.m_language.Empty();
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"xml:lang")) {
      files.m_language = value;
    } else if (Is(attr, u"default-file-type")) {
      CString message;
      if (!files.SetDefaultType(value, message)) Messages().Error(message);
    } else {
      Messages().UnknownAttribute(attr);
    }
  }
  Push(&files);
}

void CZorbExtensionXMLParser::ReadUpdate(const char16_t*, const char16_t** attributes) {
  CZorbExtensionUpdateInfo& update = m_extension->m_updateInfo;
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    CString message;
    if (Is(attr, u"url")) {
      if (!update.SetURL(value, message)) Messages().Error(message);
    } else if (Is(attr, u"method")) {
      if (!update.SetUpdateMethod(value, message)) Messages().Error(message);
    } else {
      Messages().UnknownAttribute(attr);
    }
  }
  Push(&update);
}

void CZorbExtensionXMLParser::ReadProduct(const char16_t* name, const char16_t** attributes) {
  if (Top() != &m_extension->m_products) return;
  const kxi::Messages messages = Messages();
  auto* product = new CZorbExtensionProduct();
  m_extension->m_products.m_children.push_back(product);
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"name")) {
      product->m_name = value;
    } else if (Is(attr, u"familyname")) {
      product->m_familyName = value;
    } else if (Is(attr, u"version")) {
      product->m_version = value;
    } else if (Is(attr, u"maxversion")) {
      product->m_maxVersion = value;
    } else if (Is(attr, u"primary")) {
      product->m_primary = kxi::ReadBoolean(attr, name, value, messages);
    } else if (Is(attr, u"required")) {
      product->m_required = kxi::ReadBoolean(attr, name, value, messages);
    } else if (Is(attr, u"is-min-version-open")) {
      product->m_minVersionOpen = kxi::ReadBoolean(attr, name, value, messages);
    } else if (Is(attr, u"is-max-version-open")) {
      product->m_maxVersionOpen = kxi::ReadBoolean(attr, name, value, messages);
    } else if (Is(attr, u"platform")) {
      if (value.CompareNoCase(u"win") == 0)
        product->m_platform = extcode::kPlatformWin;
      else if (value.CompareNoCase(u"mac") == 0)
        product->m_platform = extcode::kPlatformMac;
      else
        messages.InvalidValue(attr, name, value, u"win,mac");
    } else if (Is(attr, u"bit")) {
      if (value.CompareNoCase(u"64") == 0)
        product->m_bit = extcode::kBit64;
      else if (value.CompareNoCase(u"32") == 0)
        product->m_bit = extcode::kBit32;
      else
        messages.InvalidValue(attr, name, value, u"32,64");
    } else {
      messages.UnknownAttribute(attr);
    }
  }
}

void CZorbExtensionXMLParser::ReadSignature(const char16_t* name, const char16_t** attributes) {
  if (Top() != &m_extension->m_signInfos) return;
  auto* signature = new CZorbExtensionSignInfo();
  m_extension->m_signInfos.m_children.push_back(signature);
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"name"))
      signature->m_name = value;
    else if (Is(attr, u"extensiontype"))
      signature->m_extensionType = value;
    else if (Is(attr, u"certificateType"))
      signature->m_certificateType = value;
    else if (Is(attr, u"publisher"))
      signature->m_publisher = value;
    else if (Is(attr, u"signed"))
      signature->m_signed = kxi::ReadBoolean(attr, name, value, Messages());
    else
      Messages().UnknownAttribute(attr);
  }
}

void CZorbExtensionXMLParser::ReadButton(const char16_t** attributes) {
  auto* button = new CZorbExtensionButton();
  AttachAndOpen(button);
  m_extension->m_buttonMap.push_back(button);
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"resid:label"))
      button->m_labelResId = value;
    else
      button->SetAttribute(attr, value.Get() ? value.Get() : u"");
  }
}

bool CZorbExtensionXMLParser::ReadChangeElement(const char16_t* name, const char16_t** attributes) {
  const kxi::Messages messages = Messages();
  if (const kxi::SetKind* kind = kxi::FindSetKind(name)) {
    CZorbXmlObject* set = kxi::NewSet(*kind);
    if (kxi::IsHelpSet(*kind))
      m_extension->m_helpChanges.push_back(dynamic_cast<CZorbHelpChanges*>(set));
    else
      m_extension->m_configChanges.push_back(dynamic_cast<CZorbConfigChanges*>(set));
    for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
      const CString value = TakeValue();
      kxi::ReadSetAttribute(*kind, *set, name, attr, value, messages);
    }
    Push(set);
    if (Is(name, u"configuration-changes") || Is(name, u"help-changes")) m_convertEnabled = true;
    return true;
  }
  const kxi::ChangeKind* kind = kxi::FindChangeKind(name);
  if (!kind) return false;
  CZorbXmlObject* top = Top();
  // Skipped without an object: no node is open, or no set where one is due.
  if (!top || (kxi::NeedsSet(*kind) && !dynamic_cast<CZorbConfigChanges*>(top))) return true;
  CZorbXmlObject* change = kxi::NewChange(*kind);
  top->m_children.push_back(change);
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    kxi::ReadChangeAttribute(*kind, *change, name, attr, value, messages);
  }
  if (kxi::Opens(*kind)) Push(change);
  return true;
}

bool CZorbExtensionXMLParser::ReadNode(const char16_t* name, const char16_t** attributes) {
  const kxi::NodeHolder holder = kxi::HolderOf(name);
  if (holder == kxi::NodeHolder::kNone) return false;
  CZorbXmlObject* top = Top();
  const bool inPlace = holder == kxi::NodeHolder::kMenuInsert
                           ? dynamic_cast<CZorbMenuChangeInsert*>(top) != nullptr
                           : dynamic_cast<CZorbShortcutChangeInsert*>(top) != nullptr;
  // Elsewhere a separator is an element like any other; the other nodes
  // are skipped without an object.
  if (!inPlace) return !Is(name, u"separator");
  CZorbXmlObject* node = kxi::NewNode(name);
  if (!node) return false;
  // The nodes do not open: a menu's items join the insert after it.
  top->m_children.push_back(node);
  const kxi::Messages messages = Messages();
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    kxi::ReadNodeAttribute(*node, attr, value, messages);
  }
  kxi::FinishNode(*node);
  if (Is(name, u"menu") || Is(name, u"menuitem"))
    if (auto* menu = dynamic_cast<CZorbExtensionMenuBase*>(node))
      m_extension->menuMap.push_back(menu);
  return true;
}

bool CZorbExtensionXMLParser::ReadHostNode(const char16_t** attributes) {
  CZorbXmlObject* owner = kxi::HostNodeOwner(Top());
  if (!owner) return false;
  const cfgnode::Table* table = nullptr;
  CZorbXmlObject* record = cfgnode::CreateNode(u"host-node", table);
  if (!record || !table) {
    delete record;
    return false;
  }
  owner->m_children.push_back(record);
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    cfgnode::ReadAttribute(*table, *record, attr, value.Get() ? value.Get() : u"");
  }
  Push(record);
  m_hostNodeDepth = m_depth;
  return true;
}

void CZorbExtensionXMLParser::ReadRemembered(const char16_t* name, const char16_t** attributes) {
  if (Is(name, u"comment")) {
    ReadComment();
    return;
  }
  const cfgnode::Table* table = nullptr;
  CZorbXmlObject* node = cfgnode::CreateNode(name, table);
  if (!node || !table) {
    delete node;
    ReadGeneric(name, attributes);
    return;
  }
  // Nested as in the host's file (a removed menu keeps its items), with
  // its values as the host wrote them: no path rewrite, no resource lookup.
  AttachAndOpen(node);
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    cfgnode::ReadAttribute(*table, *node, attr, value.Get() ? value.Get() : u"");
  }
}

void CZorbExtensionXMLParser::ReadComment() {
  CZorbXmlObject* top = Top();
  if (!top) return;
  auto* comment = new CZorbXmlComment();
  top->m_children.push_back(comment);
  Push(comment);
  m_inComment = true;
}

void CZorbExtensionXMLParser::ReadGeneric(const char16_t* name, const char16_t** attributes) {
  auto* node = new CZorbXmlObject(name);
  AttachAndOpen(node);
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    node->SetAttribute(attr, value.Get() ? value.Get() : u"");
  }
}

void CZorbExtensionXMLParser::OnElementEnd(const char16_t* name) {
  if (!m_extension || !name) return;
  FlushText();
  --m_depth;
  if (m_depth == 0 && m_rootSeen) m_rootClosed = true;
  if (m_depth < m_hostNodeDepth) m_hostNodeDepth = 0;
  if (m_hostNodeDepth > 0) {
    // Inside a record names mean nothing special: each element only closes.
    auto& open = m_extension->m_openElements;
    if (open.empty()) return;
    if (Is(name, u"comment") && dynamic_cast<CZorbXmlComment*>(open.back())) {
      m_inComment = false;
      open.pop_back();
      return;
    }
    CString tag;
    open.back()->GetTag(tag);
    if (tag.CompareNoCase(name) == 0) open.pop_back();
    return;
  }

  if (Is(name, u"description") && !Top()) {
    m_inDescription = false;
    return;
  }
  if (Is(name, u"ui-access")) {
    m_inUIAccess = false;
    return;
  }
  if (Is(name, u"license-agreement")) {
    m_inLicense = false;
    return;
  }
  if (Is(name, u"defaultLanguage")) {
    m_inDefaultLanguage = false;
    return;
  }
  auto& stack = m_extension->m_openElements;
  if (Is(name, u"comment")) {
    m_inComment = false;
    if (!stack.empty() && dynamic_cast<CZorbXmlComment*>(stack.back())) stack.pop_back();
    return;
  }
  if (stack.empty()) return;
  CString tag;
  stack.back()->GetTag(tag);
  if (tag.CompareNoCase(name) == 0) stack.pop_back();
  if (tag.CompareNoCase(u"configuration-changes") == 0 || tag.CompareNoCase(u"help-changes") == 0)
    m_convertEnabled = false;
}

// ---------------------------------------------------------------------------
// Character data

void CZorbExtensionXMLParser::OnCData(const char16_t* text, int length) {
  if (!m_extension || !text || length <= 0) return;
  if (m_inComment) {
    auto* comment = dynamic_cast<CZorbXmlComment*>(Top());
    if (!comment) return;
    const CString chunk(text, static_cast<uint32_t>(length));
    const int32_t end = chunk.Find(u"</");
    comment->m_comment += end >= 0 ? chunk.Left(end) : chunk;
    return;
  }
  if (m_inCDATA) {
    TakeText(CString(text, static_cast<uint32_t>(length)));
    return;
  }
  // The parser hands a text over in pieces (at every line end and entity);
  // it is trimmed as a whole, so "a & b" keeps its blanks.
  m_pendingText.Append(text, static_cast<uint32_t>(length));
}

void CZorbExtensionXMLParser::FlushText() {
  if (m_pendingText.GetLength() == 0) return;
  CString text = Trimmed(m_pendingText);
  m_pendingText.Empty();
  TakeText(text);
}

void CZorbExtensionXMLParser::TakeText(CString chunk) {
  CZorbExtension& e = *m_extension;
  bool sectionEnd = false;
  if (m_inCDATA) {
    if (const int32_t at = chunk.Find(u"]]>"); at >= 0) {
      chunk = chunk.Left(at);
      sectionEnd = true;
    }
  }
  if (m_inDescription) {
    if (sectionEnd) m_inDescription = false;
    if (chunk.GetLength() == 0 || chunk.GetAt(0) != u'\n') chunk = Trimmed(chunk);
    e.m_description += chunk;
    return;
  }
  if (chunk.GetLength() == 0) return;
  if (m_inUIAccess) {
    if (sectionEnd) m_inUIAccess = false;
    e.m_uiAccess += chunk;
  } else if (m_inLicense) {
    if (sectionEnd) m_inLicense = false;
    e.m_licenseAgreement += chunk;
  } else if (m_inDefaultLanguage) {
    e.m_defaultLanguage += chunk;
  } else if (CZorbXmlObject* top = Top()) {
    top->m_text += chunk;
    top->m_isCData = m_inCDATA;
  }
}

void CZorbExtensionXMLParser::OnCDataSectionStart() {
  FlushText();
  m_inCDATA = true;
}

void CZorbExtensionXMLParser::OnCDataSectionEnd() {
  m_inCDATA = false;
}

// ---------------------------------------------------------------------------
// File entries

void CZorbExtensionXMLParser::AppendPossbileFilesFromDirectory(const char16_t* element,
                                                               const char16_t** attributes) {
  auto* list = dynamic_cast<CZorbExtensionFiles*>(Top());
  if (!list) return;
  const kxi::Messages messages = Messages();
  auto entry = std::make_unique<CZorbExtensionFile>();
  for (const char16_t* attr = GetFirstAttr(attributes); attr; attr = GetNextAttr()) {
    const CString value = TakeValue();
    if (Is(attr, u"source") || Is(attr, u"name")) {
      entry->m_source = NormalisedSource(value);
    } else if (Is(attr, u"destination") || Is(attr, u"location")) {
      entry->m_destination = value;
    } else if (Is(attr, u"folder")) {
      entry->m_folder = value;
    } else if (Is(attr, u"isemptyfolder")) {
      entry->m_isEmptyFolder = kxi::ReadBoolean(attr, element, value, messages) ? 1 : 0;
    } else if (Is(attr, u"platform")) {
      const CString word = value.Left(3);
      entry->m_platform = word.CompareNoCase(u"mac") == 0   ? extcode::kPlatformMac
                          : word.CompareNoCase(u"win") == 0 ? extcode::kPlatformWin
                                                            : extcode::kPlatformNone;
    } else if (Is(attr, u"file-type")) {
      CString message;
      if (!entry->SetFileType(value, message)) messages.Error(message);
    } else if (Is(attr, u"shared")) {
      entry->m_shared = kxi::ReadBoolean(attr, element, value, messages) ? 1 : 0;
    } else if (Is(attr, u"isresourcefile")) {
      entry->m_isResourceFile = kxi::ReadBoolean(attr, element, value, messages);
    } else if (Is(attr, u"systemfile") || Is(attr, u"system")) {
      entry->m_systemFile = kxi::ReadBoolean(attr, element, value, messages);
    } else if (Is(attr, u"actual-path")) {
      entry->m_actualPath = value;
    } else if (Is(attr, u"win-extension")) {
      entry->m_winExtension = value;
    } else if (Is(attr, u"xml:lang")) {
      entry->m_language = value;
    } else if (Is(attr, u"minversion")) {
      entry->m_minVersion = value;
    } else if (Is(attr, u"maxversion")) {
      entry->m_maxVersion = value;
    } else if (Is(attr, u"wbxsid")) {
      entry->m_wbxsId = value;
    } else if (Is(attr, u"wbxsversion")) {
      entry->m_wbxsVersion = value;
    } else {
      messages.UnknownAttribute(attr);
    }
  }
  if (entry->m_language.GetLength() == 0) entry->m_language = list->m_language;
  if (entry->m_fileType == extcode::kFileTypeNone) entry->m_fileType = list->m_defaultFileType;

  // A source that climbs out of the package is never looked at on disk (the
  // load refuses it afterwards); nor is the package's own folder, nor a
  // folder reached through a link.
  const CString source = SourceToColon(entry->m_source);
  const CString base = CZorbPath(m_extension->m_path).GetFolder();
  bool folder = source.GetLength() > 0 && source.Find(u"..") < 0 && base.GetLength() > 0 &&
                FoldersOnTheWayExist(base, source);
  CString path;
  if (folder) {
    path = base + source;
    folder = CZorbOS::DirectoryExists(path) && !ThroughLink(base, source);
  }
  if (!folder) {
    list->m_children.push_back(entry.release());
    return;
  }

  CZorbTypedList<CZorbString> files;
  CZorbTypedList<CZorbString> folders;
  GetFileList(files, folders, path, base);
  appendFileObjectFromFolder(*entry, *list, files);
  appendFolderObjectFromFolder(*entry, *list, folders);
}

bool CZorbExtensionXMLParser::FoldersOnTheWayExist(const CString& base, const CString& source) {
  // A source below a folder that is not there is no folder either. The
  // entries of a description mostly share a few folders, which a store of
  // installed descriptions lacks: each is looked up once a load.
  const std::u16string_view parts = View(source);
  for (size_t colon = parts.find(u':'); colon != std::u16string_view::npos;
       colon = parts.find(u':', colon + 1)) {
    std::u16string folder(parts.substr(0, colon));
    auto [at, added] = m_folderExists.emplace(std::move(folder), false);
    if (added) {
      const CString path =
          base + CString(at->first.data(), static_cast<uint32_t>(at->first.size()));
      at->second = CZorbOS::DirectoryExists(path);
    }
    if (!at->second) return false;
  }
  return true;
}

void CZorbExtensionXMLParser::GetFileList(CZorbTypedList<CZorbString>& files,
                                          CZorbTypedList<CZorbString>& folders,
                                          const CString& folder, const CString& base) {
  if (!CZorbOS::DirectoryExists(folder)) return;
  const auto relative = [&base](const CString& path, CZorbTypedList<CZorbString>& to) {
    if (path.GetLength() <= base.GetLength() || path.Left(base.GetLength()) != base) return;
    // A listed name keeps its ":" (the colon path holds it as "/"): only
    // the folder levels become "/".
    std::u16string part(View(path).substr(static_cast<size_t>(base.GetLength())));
    for (char16_t& ch : part) ch = ch == u':' ? u'/' : ch == u'/' ? u':' : ch;
    to.push_back(CZorbString(CString(part.data(), static_cast<uint32_t>(part.size()))));
  };

  // Depth first in listing order, without recursion: a folder's entries are
  // read whole before they are visited.
  struct Listed {
    CString path;
    bool folder;
  };
  struct Frame {
    std::vector<Listed> entries;
    size_t next = 0;
  };
  std::vector<Frame> stack;
  const auto list = [&](const CString& path) {
    Frame frame;
    CZorbFileFinder finder;
    CString pattern = path;
    pattern += u":*.*";
    for (bool found = finder.FindFirst(pattern); found; found = finder.FindNext()) {
      const char16_t* name = finder.GetFileName();
      if (Is(name, u".") || Is(name, u"..") || platform::wcscmp(name, u".DS_Store") == 0) continue;
      CString child = path;
      child += u':';
      child += name;
      // A link to a folder is neither entered nor listed: it may lead
      // anywhere, back into the package too.
      if (!finder.IsFolder() && CZorbOS::IsFileSymbolicLink(child) &&
          CZorbOS::DirectoryExists(child))
        continue;
      frame.entries.push_back({child, finder.IsFolder()});
    }
    if (finder.m_error) {
      m_errors.push_back(CZorbString(extxml::FormatMessage(kFolderNotListed, path)));
      return;
    }
    if (frame.entries.empty()) {
      relative(path, folders);
      return;
    }
    stack.push_back(std::move(frame));
  };

  list(folder);
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next >= top.entries.size()) {
      stack.pop_back();
      continue;
    }
    const Listed item = top.entries[top.next++];
    if (item.folder)
      list(item.path);  // may grow the stack: top is not used again
    else
      relative(item.path, files);
  }
}

CString CZorbExtensionXMLParser::SourceToColon(const CString& source) {
  std::u16string path(View(source));
  const bool onDisk = path.find(u'/') != std::u16string::npos;
  for (char16_t& ch : path) {
    if (ch == u'/' || ch == u'\\' || ch == u'\u00A5')
      ch = u':';
    else if (ch == u':' && onDisk)
      ch = u'/';
  }
  return CString(path.data(), static_cast<uint32_t>(path.size()));
}

void CZorbExtensionXMLParser::appendFileObjectFromFolder(const CZorbExtensionFile& entry,
                                                         CZorbExtensionFiles& list,
                                                         const CZorbTypedList<CZorbString>& paths) {
  for (const CZorbString& path : paths) AppendClone(entry, list, path, false);
}

void CZorbExtensionXMLParser::appendFolderObjectFromFolder(
    const CZorbExtensionFile& entry, CZorbExtensionFiles& list,
    const CZorbTypedList<CZorbString>& paths) {
  for (const CZorbString& path : paths) AppendClone(entry, list, path, true);
}
