#include "foundation/CZorbXmlPairs.h"

#ifndef XML_UNICODE
#define XML_UNICODE
#endif
#include <expat.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/CZorbUnicodeConverter.h"
#include "platform/os/FileRef.h"
#include "platform/os/FileSystem.h"
#include "platform/os/MappedFile.h"
#include "platform/os/Utf.h"

static_assert(sizeof(XML_Char) == sizeof(char16_t), "expat must be the UTF-16 build");

namespace {

using Conv = CZorbUnicodeConverter;

// expat takes its input in pieces of an int's size; these keep well below.
constexpr size_t kChunkBytes = size_t{1} << 20;
// A document larger than this is not read (the converters count in 32 bits).
constexpr size_t kMaxBytes = size_t{1} << 30;
// The declaration lies at the very start; this much is searched for it.
constexpr uint32_t kDeclarationSearch = 4096;

const XML_Char* NativeUTF16Name() {
  static const XML_Char le[] = {'U', 'T', 'F', '-', '1', '6', 'L', 'E', 0};
  static const XML_Char be[] = {'U', 'T', 'F', '-', '1', '6', 'B', 'E', 0};
  return std::endian::native == std::endian::little ? le : be;
}

std::u16string_view View(const XML_Char* text) {
  return std::u16string_view(reinterpret_cast<const char16_t*>(text));
}

// The walk along the key prefix while expat reports the document.
struct Walk {
  std::vector<std::u16string> path;  // E1 ... En, then Name
  CZorbXmlPairs::Pairs* pairs = nullptr;
  size_t depth = 0;       // elements open
  size_t matched = 0;     // how many of them, from the root, follow the path
  size_t valueDepth = 0;  // depth of the Name element being read, 0 when none
  bool found = false;
  bool hasKey = false;
  std::u16string key;
  std::u16string value;
};

void XMLCALL StartElement(void* data, const XML_Char* name, const XML_Char** attrs) {
  Walk& walk = *static_cast<Walk*>(data);
  const size_t level = walk.depth++;
  if (walk.valueDepth != 0 || walk.matched != level || level >= walk.path.size()) return;
  if (View(name) != walk.path[level]) return;
  if (level + 1 < walk.path.size()) {
    walk.matched = level + 1;
    return;
  }
  walk.found = true;
  walk.valueDepth = level + 1;
  walk.hasKey = false;
  walk.key.clear();
  walk.value.clear();
  for (const XML_Char** a = attrs; a && a[0]; a += 2) {
    if (View(a[0]) == u"key") {
      walk.hasKey = true;
      walk.key = View(a[1]);
      break;
    }
  }
}

void XMLCALL EndElement(void* data, const XML_Char*) {
  Walk& walk = *static_cast<Walk*>(data);
  const size_t level = --walk.depth;
  if (walk.valueDepth != 0) {
    if (level + 1 != walk.valueDepth) return;
    walk.valueDepth = 0;
    if (walk.hasKey)
      walk.pairs->SetAt(CString(walk.key.data(), static_cast<uint32_t>(walk.key.size())),
                        CString(walk.value.data(), static_cast<uint32_t>(walk.value.size())));
    return;
  }
  if (walk.matched == level + 1) walk.matched = level;
}

void XMLCALL CharacterData(void* data, const XML_Char* text, int length) {
  Walk& walk = *static_cast<Walk*>(data);
  if (walk.valueDepth != 0 && length > 0)
    walk.value.append(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length));
}

// E1.E2.Name as its parts; false when a part is empty.
bool SplitPrefix(const CString& prefix, std::vector<std::u16string>& parts) {
  const std::u16string_view text(prefix.Get() ? prefix.Get() : u"",
                                 static_cast<size_t>(prefix.GetLength()));
  size_t start = 0;
  for (;;) {
    const size_t dot = text.find(u'.', start);
    const std::u16string_view part = text.substr(
        start, dot == std::u16string_view::npos ? std::u16string_view::npos : dot - start);
    if (part.empty()) return false;
    parts.emplace_back(part);
    if (dot == std::u16string_view::npos) return true;
    start = dot + 1;
  }
}

// Hands the bytes to expat in pieces; false when expat refuses them.
bool Feed(XML_Parser parser, const char* bytes, size_t size) {
  do {
    const size_t piece = std::min(size, kChunkBytes);
    const bool last = piece == size;
    if (XML_Parse(parser, bytes, static_cast<int>(piece), last ? XML_TRUE : XML_FALSE) ==
        XML_STATUS_ERROR)
      return false;
    bytes += piece;
    size -= piece;
  } while (size > 0);
  return true;
}

bool IsXmlFileName(const std::string& name) {
  if (name.empty() || name[0] == '.' || name.size() < 5) return false;
  std::string ext = name.substr(name.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(c | 0x20); });
  return ext == ".xml";
}

}  // namespace

CZorbXmlPairs::Answer CZorbXmlPairs::ReadBytes(const char* bytes, size_t size,
                                               const CString& keyPrefix, Pairs& pairs) {
  if (size > kMaxBytes) return kUnreadable;
  if (!bytes) size = 0;

  // Pairs come out only of a document that is well-formed to its end.
  Pairs found;
  Walk walk;
  walk.pairs = &found;
  const bool validPrefix = SplitPrefix(keyPrefix, walk.path);

  // expat reads UTF-8 and UTF-16 (by their marks or by their look),
  // ISO-8859-1 and US-ASCII itself. A document in UTF-32 (by its mark or
  // its look), or whose declaration names another encoding, is decoded
  // first and handed over as UTF-16.
  CString decoded;
  bool useDecoded = false;
  if (size > 0) {
    uint32_t encoding = 0;
    const uint32_t head = static_cast<uint32_t>(std::min<size_t>(size, 4));
    const uint32_t markLength = Conv::GetBuffersByteOrderMarkLength(bytes, head, encoding);
    if (markLength > 0 || Conv::GetBuffersEncodingFromUnitLayout(bytes, head, encoding)) {
      if (Conv::GetCodeUnitSize(encoding) == 4) {
        Conv::ConvertScriptTextToUTF16(encoding, bytes + markLength,
                                       static_cast<uint32_t>(size - markLength), decoded);
        useDecoded = true;
      }
    } else if (Conv::GetBuffersEncodingFromXMLDecl(
                   bytes, static_cast<uint32_t>(std::min<size_t>(size, kDeclarationSearch)),
                   encoding) &&
               !Conv::EncodingIsUTF8(encoding)) {
      Conv::ConvertScriptTextToUTF16(encoding, bytes, static_cast<uint32_t>(size), decoded);
      useDecoded = true;
    }
  }

  XML_Parser parser = XML_ParserCreate(useDecoded ? NativeUTF16Name() : nullptr);
  if (!parser) return kUnreadable;
  XML_SetUserData(parser, &walk);
  XML_SetElementHandler(parser, StartElement, EndElement);
  XML_SetCharacterDataHandler(parser, CharacterData);
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
  const bool wellFormed = useDecoded
                              ? Feed(parser, reinterpret_cast<const char*>(decoded.Get()),
                                     static_cast<size_t>(decoded.GetLength()) * sizeof(char16_t))
                              : Feed(parser, bytes ? bytes : "", size);
  XML_ParserFree(parser);

  if (!wellFormed) return kUnreadable;
  for (auto& [key, value] : found) pairs.SetAt(key, value);
  return validPrefix && walk.found ? kPairs : kNoSuchElement;
}

CZorbXmlPairs::Answer CZorbXmlPairs::Read(const CString& text, const CString& keyPrefix,
                                          Pairs& pairs) {
  pairs.clear();
  std::u16string_view path(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
  constexpr std::u16string_view kFileScheme = u"file://";
  if (path.substr(0, kFileScheme.size()) == kFileScheme) path.remove_prefix(kFileScheme.size());
  if (path.empty() || path[0] != u'/') return kUnreadable;
  const std::optional<std::string> posix = platform::utf16ToUtf8(path);
  if (!posix || posix->find('\0') != std::string::npos) return kUnreadable;

  {
    platform::MappedFile file;
    if (file.open(*posix) == 0)
      return ReadBytes(reinterpret_cast<const char*>(file.data()), static_cast<size_t>(file.size()),
                       keyPrefix, pairs);
  }

  std::vector<platform::RawDirEntry> entries;
  if (platform::fileSystem().listDirectory(*posix, entries) != 0) return kUnreadable;
  std::vector<std::string> names;
  for (const platform::RawDirEntry& entry : entries)
    if (IsXmlFileName(entry.name)) names.push_back(entry.name);
  std::sort(names.begin(), names.end());

  Answer answer = kNoSuchElement;
  for (const std::string& name : names) {
    const std::string item = platform::joinPath(*posix, name);
    platform::MappedFile file;
    if (file.open(item) != 0) {
      // A folder that happens to end in ".xml" is no document.
      std::vector<platform::RawDirEntry> inside;
      if (platform::fileSystem().listDirectory(item, inside) == 0) continue;
      pairs.clear();
      return kUnreadable;
    }
    const Answer one = ReadBytes(reinterpret_cast<const char*>(file.data()),
                                 static_cast<size_t>(file.size()), keyPrefix, pairs);
    if (one == kUnreadable) {
      pairs.clear();
      return kUnreadable;
    }
    if (one == kPairs) answer = kPairs;
  }
  return answer;
}

bool CZorbXmlPairsProxy::getXMLinfoFromBareString(const CString& text, const CString& keyPrefix) {
  return CZorbXmlPairs::Read(text, keyPrefix, m_results) != CZorbXmlPairs::kUnreadable;
}
