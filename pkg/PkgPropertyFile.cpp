// The properties file "/META-INF/pkgproperties.xml" of PkgPropertyMgr:
// reading it through the package's XML parser and writing it back.
#include <algorithm>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "pkg/BasePackage.h"
#include "pkg/IPkgEntry.h"
#include "pkg/IPkgStream.h"
#include "pkg/PackageException.h"
#include "pkg/PkgPropertyMgr.h"

namespace pkg {

namespace {

const char kNamespace[] = "urn:plexar:package-properties:1.0";

struct KeyName {
  const char* key;
  UCFPropertyName name;
};
const KeyName kKeys[] = {
    {"datetime", kGenPropDateTime},
    {"mac_type", kGenPropMacType},
    {"mac_creator", kGenPropMacCreator},
};

const char* keyOf(UCFPropertyName name) {
  for (const KeyName& k : kKeys) {
    if (k.name == name) return k.key;
  }
  return nullptr;
}

bool nameOf(const std::string& key, UCFPropertyName& name) {
  for (const KeyName& k : kKeys) {
    if (key == k.key) {
      name = k.name;
      return true;
    }
  }
  return false;
}

// Escaped for an attribute value (quotes and white space that attribute
// normalisation would change) or for element text.
std::string escape(const std::string& text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        if (attribute)
          out += "&quot;";
        else
          out += c;
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\n':
        if (attribute)
          out += "&#10;";
        else
          out += c;
        break;
      case '\t':
        if (attribute)
          out += "&#9;";
        else
          out += c;
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

bool PkgPropertyMgr::isXmlText(const std::string& text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(text[i]);
    uint32_t cp;
    size_t length;
    if (c < 0x80) {
      cp = c;
      length = 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F;
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F;
      length = 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07;
      length = 4;
    } else {
      return false;
    }
    if (i + length > n) return false;
    for (size_t k = 1; k < length; ++k) {
      const auto cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = cp << 6 | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static const uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
    // XML 1.0 has no way to carry other control characters, escaped or not.
    if (cp < 0x20 && cp != '\t' && cp != '\n' && cp != '\r') return false;
    if (cp == 0xFFFE || cp == 0xFFFF) return false;
    i += length;
  }
  return true;
}

// The accepted document:
//   <pkgProperties xmlns="...">            depth 1, once
//     <package> <prop key="K">V</prop> </package>          depth 2, once
//     <entries> <entry path="P"> <prop key="K">V</prop> </entry> </entries>
//   </pkgProperties>
// Anything that breaks this structure fails the read; elements of other
// names are passed over. The value of a prop is all its character data,
// however many chunks the parser delivers it in.
class PkgPropertyMgr::MyEventHandler : public IXMLParser_EventHandler {
 public:
  explicit MyEventHandler(PkgPropertyMgr& manager) : m_manager(manager) {}

  bool failed() const { return m_failed; }
  // A complete document was seen.
  bool complete() const { return m_rootCount == 1 && m_depth == 0; }
  std::exception_ptr exception() const { return m_exception; }

  int startElement(const std::string& name,
                   const std::map<std::string, std::string>& attributes) override {
    return guarded([&] { return onStart(name, attributes); });
  }
  int endElement(const std::string& name) override {
    return guarded([&] { return onEnd(name); });
  }
  int characterData(const char* text, int length) override {
    return guarded([&] {
      if (m_inProp && m_depth == m_propDepth && length > 0) {
        if (m_text.size() + static_cast<size_t>(length) > kMaxPropertyValueBytes)
          throw PackageException(kPkgErrNotValidPackage);
        m_text.append(text, static_cast<size_t>(length));
      }
      return 0;
    });
  }
  int processingInstruction(const std::string&, const char*, int) override { return state(); }
  int comment(const char*, int) override { return state(); }

 private:
  int state() const { return m_failed ? -1 : 0; }
  int fail() {
    m_failed = true;
    return -1;
  }

  // Nothing may leave an event: the exception is kept for the reader,
  // which throws it once the parse is over.
  template <class Fn>
  int guarded(Fn fn) {
    if (m_failed) return -1;
    try {
      return fn();
    } catch (...) {
      m_exception = std::current_exception();
      return fail();
    }
  }

  int onStart(const std::string& name, const std::map<std::string, std::string>& attributes) {
    ++m_depth;
    if (m_depth == 1) {
      if (name != "pkgProperties" || m_rootCount++ > 0) return fail();
      m_inRoot = true;
      return 0;
    }
    if (name == "pkgProperties") return fail();
    if (name == "package" || name == "entries") {
      const bool package = name == "package";
      int& count = package ? m_packageCount : m_entriesCount;
      if (m_depth != 2 || !m_inRoot || count++ > 0) return fail();
      (package ? m_inPackage : m_inEntries) = true;
      return 0;
    }
    if (name == "entry") {
      if (m_depth != 3 || !m_inEntries) return fail();
      auto path = attributes.find("path");
      if (path == attributes.end()) return fail();
      m_inEntry = true;
      m_path = path->second;
      return 0;
    }
    if (name == "prop") {
      const bool placed = (m_depth == 3 && m_inPackage) || (m_depth == 4 && m_inEntry);
      if (!placed || m_inProp) return fail();
      auto key = attributes.find("key");
      if (key == attributes.end()) return fail();
      m_inProp = true;
      m_propDepth = m_depth;
      m_key = key->second;
      m_text.clear();
      return 0;
    }
    return 0;
  }

  int onEnd(const std::string& name) {
    if (m_inProp && m_depth == m_propDepth && name == "prop") {
      store();
      m_inProp = false;
      m_key.clear();
      m_text.clear();
    } else if (m_inEntry && m_depth == 3 && name == "entry") {
      m_inEntry = false;
      m_path.clear();
    } else if (m_depth == 2 && name == "package") {
      m_inPackage = false;
    } else if (m_depth == 2 && name == "entries") {
      m_inEntries = false;
    } else if (m_depth == 1) {
      m_inRoot = false;
    }
    --m_depth;
    return 0;
  }

  void store() {
    // The package's own properties live in the records; an entry path is
    // needed for the generic ones, and other keys mean nothing here.
    UCFPropertyName name;
    if (!m_inEntry || m_path.empty() || !nameOf(m_key, name)) return;
    m_manager.setGenericProperty(m_path, name, m_text, true);
  }

  PkgPropertyMgr& m_manager;
  int m_depth = 0;
  int m_rootCount = 0;
  int m_packageCount = 0;
  int m_entriesCount = 0;
  bool m_inRoot = false;
  bool m_inPackage = false;
  bool m_inEntries = false;
  bool m_inEntry = false;
  bool m_inProp = false;
  int m_propDepth = 0;
  std::string m_path;
  std::string m_key;
  std::string m_text;
  bool m_failed = false;
  std::exception_ptr m_exception;
};

void PkgPropertyMgr::readGenericProperties() {
  if (m_loaded || m_reading || !hasParser() || !m_owner->isOpen()) return;
  if (m_owner->entryExists(s_propertiesFilePath) != kEntryFile) {
    m_loaded = true;
    return;
  }
  IXMLParser* parser = m_owner->getXMLParser();
  Table saved = m_table;
  MyEventHandler handler(*this);
  bool accepted = false;
  std::exception_ptr failure;
  m_reading = true;
  try {
    SPRefType<IPkgFile> file = m_owner->getFile(s_propertiesFilePath, true);
    std::shared_ptr<IPkgStream> stream = file->open(std::ios_base::in, false);
    parser->setEventHandler(&handler);
    accepted = parser->parse(*stream);
    parser->endParse();
    stream->close();
  } catch (...) {
    failure = std::current_exception();
    try {
      parser->endParse();
    } catch (...) {
      // The first failure is the one reported.
    }
  }
  m_reading = false;
  if (!failure) failure = handler.exception();
  if (failure || !accepted || handler.failed() || !handler.complete()) {
    m_table.swap(saved);
    if (failure) std::rethrow_exception(failure);
    return;
  }
  m_loaded = true;
}

void PkgPropertyMgr::forgetPath(const std::string& path) {
  if (path == s_packagePath) return;
  // Kept as a mark, so that the record of the name does not lend it a date.
  PropertyMap forgotten;
  forgotten.setForgotten();
  m_table[path] = std::move(forgotten);
}

void PkgPropertyMgr::writeGenericProperties() {
  if (!hasParser() || !m_owner->isOpen()) return;
  // Properties of a file never read would be lost by writing it anew.
  if (!m_loaded) readGenericProperties();

  const bool packageLevel = !getZipProperty(s_packagePath, kZipPropArchiveComment).empty();
  struct Row {
    std::string path;
    std::vector<std::pair<UCFPropertyName, std::string>> properties;
  };
  // Entries in path order.
  std::vector<std::string> paths;
  paths.reserve(m_table.size());
  for (const auto& entry : m_table) {
    if (entry.first != s_packagePath) paths.push_back(entry.first);
  }
  std::sort(paths.begin(), paths.end());
  std::vector<Row> rows;
  for (const std::string& path : paths) {
    Row row{path, {}};
    for (const KeyName& k : kKeys) {
      std::string text = getGenericProperty(path, k.name);
      if (!text.empty()) row.properties.emplace_back(k.name, text);
    }
    if (row.properties.empty()) continue;
    // The properties of a removed entry go with it.
    if (m_owner->entryExists(path) != kEntryFile) continue;
    rows.push_back(std::move(row));
  }

  const bool exists = m_owner->entryExists(s_propertiesFilePath) == kEntryFile;
  if (!packageLevel && rows.empty()) {
    if (exists) m_owner->getFile(s_propertiesFilePath, true)->remove();
    return;
  }

  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  xml += "<pkgProperties xmlns=\"";
  xml += kNamespace;
  xml += "\">\n";
  // The package level holds only the archive comment, which has no key.
  xml += packageLevel ? "<package>\n</package>\n" : "<package/>\n";
  if (rows.empty()) {
    xml += "<entries/>\n";
  } else {
    xml += "<entries>\n";
    for (const Row& row : rows) {
      xml += "<entry path=\"" + escape(row.path, true) + "\">\n";
      for (const auto& property : row.properties) {
        xml += "<prop key=\"";
        xml += keyOf(property.first);
        xml += "\">" + escape(property.second, false) + "</prop>\n";
      }
      xml += "</entry>\n";
    }
    xml += "</entries>\n";
  }
  xml += "</pkgProperties>\n";

  SPRefType<IPkgFile> file = m_owner->getFile(s_propertiesFilePath, false);
  if (exists) {
    // Rewriting the same text would only make the package look changed.
    try {
      std::shared_ptr<IPkgStream> in = file->open(std::ios_base::in, false);
      std::string current;
      char block[4096];
      while (in->read(block, sizeof(block)), in->gcount() > 0) {
        current.append(block, static_cast<size_t>(in->gcount()));
        if (current.size() > xml.size()) break;
      }
      in->close();
      if (current == xml) return;
    } catch (const PackageException&) {
      // Unreadable (a package open only for writing): written anew.
    }
  }
  std::shared_ptr<IPkgStream> out = file->open(std::ios_base::out, false);
  out->write(xml.data(), static_cast<std::streamsize>(xml.size()));
  out->close();
}

}  // namespace pkg
