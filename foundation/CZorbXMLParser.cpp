#include "foundation/CZorbXMLParser.h"

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

#include "foundation/CFile.h"
#include "foundation/CZorbString.h"
#include "foundation/CZorbUnicodeConverter.h"
#include "foundation/CZorbXmlObject.h"
#include "foundation/Logger.h"
#include "platform/os/TextConverter.h"
#include "platform/widechar/WideChar.h"

static_assert(sizeof(XML_Char) == sizeof(char16_t), "expat must be the UTF-16 build");

// Where a line of the text handed to expat came from, for error reports.
struct CZorbXMLParser::LineOrigin {
  uint32_t line;    // 1-based line of the source; 0 for lines ParseFile adds
  uint32_t column;  // units trimmed from the front of the source line
};

namespace {

// The declaration every parse starts with (readers recognise it and skip it).
constexpr char16_t kFixedDeclaration[] = u"<?xml  version='1.0'  encoding='utf-8'  ?>";
constexpr char16_t kCDataOpen[] = u"<![CDATA[";
constexpr char16_t kCDataClose[] = u"]]>";
constexpr char16_t kDeclarationStart[] = u"<?xml";
// A declaration must end within this many units of the start of the file.
constexpr size_t kDeclarationSearch = 4096;

// UTF-16 in the byte order of this machine: the text goes to expat as it
// lies in memory.
const XML_Char* NativeUTF16Name() {
  static const XML_Char le[] = {'U', 'T', 'F', '-', '1', '6', 'L', 'E', 0};
  static const XML_Char be[] = {'U', 'T', 'F', '-', '1', '6', 'B', 'E', 0};
  return std::endian::native == std::endian::little ? le : be;
}

inline const char16_t* U16(const XML_Char* p) {
  return reinterpret_cast<const char16_t*>(p);
}

// Where the last "<![CDATA[" and the last "]]>" of a line start (-1 when
// absent), found in one pass.
struct CDataMarks {
  long lastOpen = -1;
  long lastClose = -1;
};

CDataMarks FindCDataMarks(const char16_t* begin, const char16_t* end) {
  static constexpr size_t kOpenLength = std::char_traits<char16_t>::length(kCDataOpen);
  CDataMarks marks;
  for (const char16_t* p = begin; p < end; ++p) {
    // Most lines hold a "<" and few a "<!": test the second unit first.
    if (*p == u'<') {
      if (static_cast<size_t>(end - p) >= kOpenLength && p[1] == u'!' &&
          std::equal(kCDataOpen, kCDataOpen + kOpenLength, p))
        marks.lastOpen = p - begin;
    } else if (*p == u']') {
      if (end - p >= 3 && p[1] == u']' && p[2] == u'>') marks.lastClose = p - begin;
    }
  }
  return marks;
}

bool IsXmlSpace(char16_t ch) {
  return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n';
}

bool StartsWith(const std::u16string& text, size_t at, std::u16string_view prefix) {
  return text.compare(at, prefix.size(), prefix) == 0;
}

// Where the prolog that starts at from ends: past white space, processing
// instructions, comments and a document-type declaration (its internal
// subset and quoted texts included). A construct that never ends leaves
// from, so expat reports it where it stands.
size_t PrologEnd(const std::u16string& text, size_t from) {
  size_t at = from;
  for (;;) {
    while (at < text.size() && IsXmlSpace(text[at])) ++at;
    size_t end = std::u16string::npos;
    if (StartsWith(text, at, u"<?")) {
      end = text.find(u"?>", at + 2);
      if (end != std::u16string::npos) end += 2;
    } else if (StartsWith(text, at, u"<!--")) {
      end = text.find(u"-->", at + 4);
      if (end != std::u16string::npos) end += 3;
    } else if (StartsWith(text, at, u"<!DOCTYPE")) {
      char16_t quote = 0;
      int depth = 0;
      for (size_t i = at + 9; i < text.size(); ++i) {
        const char16_t ch = text[i];
        if (quote) {
          if (ch == quote) quote = 0;
        } else if (ch == u'"' || ch == u'\'') {
          quote = ch;
        } else if (ch == u'[') {
          ++depth;
        } else if (ch == u']') {
          if (depth > 0) --depth;
        } else if (ch == u'>' && depth == 0) {
          end = i + 1;
          break;
        }
      }
    } else {
      return at;
    }
    if (end == std::u16string::npos) return from;
    at = end;
  }
}

bool IsLineEnd(char16_t ch) {
  return ch == u'\r' || ch == u'\n';
}

std::u16string Widen(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

void Log(Logger::Level level, const std::u16string& message, int line) {
  Logger::write(level, message, __FILE__, line);
}

// The whole file at a colon path, or false when it cannot be opened. Read
// straight into the buffer: a mapping would only be copied from, and setting
// one up and tearing it down costs more than the read of a small file.
bool ReadWholeFile(const char16_t* path, std::string& bytes) {
  CFile file;
  if (!file.Open(path, 0, true)) return false;
  const int64_t length = file.GetLength();
  bool ok = length >= 0 && static_cast<uint64_t>(length) < static_cast<uint64_t>(INT_MAX);
  if (ok) {
    bytes.resize(static_cast<size_t>(length));
    size_t got = 0;
    while (got < bytes.size()) {
      const uint32_t n = file.Read(bytes.data() + got, static_cast<uint32_t>(bytes.size() - got));
      if (n == 0) break;
      got += n;
    }
    bytes.resize(got);
  }
  file.Close();
  return ok;
}

// Decodes the bytes in the encoding, stopping at the first sequence the
// encoding does not allow. False when there was one; out then holds what
// came before it. An encoding without a converter decodes as the converter
// class decodes it.
bool DecodeStrictly(uint32_t encoding, const char* bytes, size_t size, std::u16string& out) {
  namespace textstatus = platform::textstatus;
  {
    // UTF-8 gives at most one unit a byte.
    out.resize(size);
    size_t read = 0;
    size_t written = 0;
    int32_t status = 0;
    if (CZorbUnicodeConverter::DecodeDirectly(encoding, bytes, size, out.data(), out.size(), read,
                                              written, status)) {
      out.resize(written);
      return status == textstatus::kOk && read >= size;
    }
  }
  platform::TextConversion conversion(CZorbUnicodeConverter::NormalizeEncoding(encoding),
                                      platform::TextDirection::ToUnicode);
  if (!conversion.valid()) {
    CString text;
    CZorbUnicodeConverter::ConvertScriptTextToUTF16(encoding, bytes, static_cast<uint32_t>(size),
                                                    text);
    out.assign(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
    return true;
  }
  out.resize(size + 16);
  size_t read = 0;
  size_t written = 0;
  for (;;) {
    const platform::TextConvertResult result = conversion.convert(
        bytes + read, size - read, out.data() + written, (out.size() - written) * 2);
    read += result.bytesRead;
    written += result.bytesWritten / 2;
    if (result.status == textstatus::kOutputBufferFull) {
      out.resize(out.size() * 2);
      continue;
    }
    const bool ok = result.status == textstatus::kOk || result.status == textstatus::kUsedFallbacks;
    if (!ok || read >= size) {
      out.resize(written);
      return ok && read >= size;
    }
  }
}

// The 1-based line and column just after text, lines ending in CR, LF or
// CR LF.
void EndPlace(const std::u16string& text, uint32_t& line, uint32_t& column) {
  line = 1;
  size_t lineStart = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsLineEnd(text[i])) continue;
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    ++line;
    lineStart = i + 1;
  }
  column = static_cast<uint32_t>(text.size() - lineStart) + 1;
}

}  // namespace

CZorbXMLParser::CZorbXMLParser() : m_encoding(CZorbUnicodeConverter::GetDefaultEncoding()) {
  m_parser = XML_ParserCreate(NativeUTF16Name());
  InstallHandlers();
}

CZorbXMLParser::~CZorbXMLParser() {
  if (m_parser) XML_ParserFree(m_parser);
}

void CZorbXMLParser::InstallHandlers() {
  if (!m_parser) return;
  XML_SetUserData(m_parser, this);
  XML_SetElementHandler(m_parser, &StartElement, &EndElement);
  XML_SetCharacterDataHandler(m_parser, &CharacterData);
  XML_SetCdataSectionHandler(m_parser, &StartCData, &EndCData);
  XML_SetCommentHandler(m_parser, &Comment);
  XML_SetDefaultHandler(m_parser, &Default);
  // Nothing outside the document is ever read.
  XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
}

void CZorbXMLParser::Restart() {
  if (m_used && m_parser) {
    XML_ParserReset(m_parser, NativeUTF16Name());
    InstallHandlers();
  }
  m_used = true;
  m_input = nullptr;
  m_inputLength = 0;
  m_inputStart = 0;
  m_depth = 0;
  m_maxDepth = CZorbXmlObject::kMaxDepth;
  m_tooDeep = false;
  m_attrCursor = nullptr;
  m_eventError = nullptr;
  m_errorCode = 0;
  m_errorLine = 0;
  m_errorColumn = 0;
  m_errorText.Empty();
}

// ---------------------------------------------------------------------------
// Default events

int CZorbXMLParser::OnPreProcessLine(CString&) const {
  return 0;
}
int CZorbXMLParser::OnPreProcessCDATALine(CString&) const {
  return 0;
}
void CZorbXMLParser::OnElementEnd(const char16_t*) {}
void CZorbXMLParser::OnCData(const char16_t*, int) {}
void CZorbXMLParser::OnCDataSectionStart() {}
void CZorbXMLParser::OnCDataSectionEnd() {}
void CZorbXMLParser::OnComment(const char16_t*) {}
void CZorbXMLParser::OnDefault(const char16_t*, int) {}

const char16_t* CZorbXMLParser::GetValue() {
  m_convertBuffer.Empty();
  // Never step past the terminating null entry.
  if (!m_attrCursor || !*m_attrCursor) return nullptr;
  ++m_attrCursor;
  return *m_attrCursor;
}

const char16_t* CZorbXMLParser::GetFirstAttr(const char16_t** attrs) {
  m_attrCursor = attrs;
  return attrs ? attrs[0] : nullptr;
}

const char16_t* CZorbXMLParser::GetNextAttr() {
  if (!m_attrCursor || !*m_attrCursor) return nullptr;
  ++m_attrCursor;
  return *m_attrCursor;
}

std::u16string_view CZorbXMLParser::CurrentMarkup() const {
  if (!m_parser || !m_input) return {};
  const XML_Index at = XML_GetCurrentByteIndex(m_parser);
  const int count = XML_GetCurrentByteCount(m_parser);
  if (at < 0 || count <= 0) return {};
  const uint64_t unit = static_cast<uint64_t>(at) / 2;
  const size_t units = static_cast<size_t>(count) / 2;
  if (unit < m_inputStart || unit - m_inputStart > m_inputLength ||
      units > m_inputLength - (unit - m_inputStart))
    return {};
  return std::u16string_view(m_input + (unit - m_inputStart), units);
}

void CZorbXMLParser::ConvertUTF8(const char16_t*& source, char16_t* dest, int& length,
                                 CZorbXMLParser* parser) {
  if (!parser || !source || !dest) return;
  const int count = std::max(length, 0);
  std::copy(source, source + count, dest);
  dest[count] = 0;
  ++source;
  length = count;
  if (parser->m_convertEnabled) {
    if (parser->m_convertToWindows && parser->m_mode == 2) CZorbString::MacToWin(dest);
  } else if (parser->m_mode == 1) {
    CZorbString::WinToMac(dest);
  }
}

// ---------------------------------------------------------------------------
// expat's handlers

void CZorbXMLParser::Fail(std::exception_ptr error) {
  if (!m_eventError) m_eventError = error;
  XML_StopParser(m_parser, XML_FALSE);
}

#define PLEXAR_XML_EVENT(call)                         \
  auto* self = static_cast<CZorbXMLParser*>(userData); \
  if (!self || self->m_eventError) return;             \
  try {                                                \
    call;                                              \
  } catch (...) {                                      \
    self->Fail(std::current_exception());              \
  }

void CZorbXMLParser::StartElement(void* userData, const XML_Char* name, const XML_Char** attrs) {
  auto* parser = static_cast<CZorbXMLParser*>(userData);
  // Every model built from the events is as deep as the document.
  if (parser && ++parser->m_depth > parser->m_maxDepth) {
    parser->m_tooDeep = true;
    XML_StopParser(parser->m_parser, XML_FALSE);
    return;
  }
  PLEXAR_XML_EVENT(self->OnElementStart(U16(name), reinterpret_cast<const char16_t**>(attrs)))
}

void CZorbXMLParser::EndElement(void* userData, const XML_Char* name) {
  if (auto* parser = static_cast<CZorbXMLParser*>(userData)) --parser->m_depth;
  PLEXAR_XML_EVENT(self->OnElementEnd(U16(name)))
}

void CZorbXMLParser::CharacterData(void* userData, const XML_Char* text, int length) {
  PLEXAR_XML_EVENT(self->OnCData(U16(text), length))
}

void CZorbXMLParser::StartCData(void* userData) {
  PLEXAR_XML_EVENT(self->OnCDataSectionStart())
}

void CZorbXMLParser::EndCData(void* userData) {
  PLEXAR_XML_EVENT(self->OnCDataSectionEnd())
}

void CZorbXMLParser::Comment(void* userData, const XML_Char* text) {
  PLEXAR_XML_EVENT(self->OnComment(U16(text)))
}

void CZorbXMLParser::Default(void* userData, const XML_Char* text, int length) {
  PLEXAR_XML_EVENT(self->OnDefault(U16(text), length))
}

#undef PLEXAR_XML_EVENT

// ---------------------------------------------------------------------------
// Parsing

int CZorbXMLParser::Parse(const char16_t* text, int length, bool isFinal) {
  if (!m_used) Restart();
  if (length < 0) length = 0;
  return ParseText(text, static_cast<size_t>(length), isFinal);
}

int CZorbXMLParser::ParseText(const char16_t* text, size_t length, bool isFinal) {
  if (!m_parser) return XML_STATUS_ERROR;
  if (length > static_cast<size_t>(INT_MAX / 2)) return XML_STATUS_ERROR;
  m_input = text;
  m_inputLength = length;
  const XML_Status status = XML_Parse(m_parser, reinterpret_cast<const char*>(text),
                                      static_cast<int>(length * 2), isFinal ? XML_TRUE : XML_FALSE);
  m_input = nullptr;
  m_inputStart += length;
  if (m_eventError) {
    std::exception_ptr error = m_eventError;
    m_eventError = nullptr;
    std::rethrow_exception(error);
  }
  return status == XML_STATUS_ERROR ? 0 : 1;
}

int CZorbXMLParser::ParseFile(const char16_t* path, bool wrap) {
  Restart();
  m_xmlDecl.Empty();
  std::string bytes;
  if (!path || !ReadWholeFile(path, bytes)) {
    Log(Logger::kInfo, u"cannot read the XML file " + std::u16string(path ? path : u""), __LINE__);
    return -1;
  }
  return ParseDecoded(path, bytes, wrap);
}

int CZorbXMLParser::ParseDecoded(const char16_t* path, std::string& source, bool wrap) {
  const char* const bytes = source.data();
  const size_t size = source.size();
  using Conv = CZorbUnicodeConverter;
  if (size >= static_cast<size_t>(INT_MAX / 2) || !m_parser) {
    Log(Logger::kError, u"the XML file " + std::u16string(path) + u" is too large to parse",
        __LINE__);
    return -1;
  }

  // The encoding: a byte-order mark decides; else the zero bytes of UTF-16
  // or UTF-32 around the first character; else a charset the declaration
  // names; else the default text encoding.
  uint32_t working = Conv::GetDefaultEncoding();
  size_t offset = 0;
  bool marked = false;
  bool named = false;  // by the mark, the layout or the declaration
  {
    const uint32_t head = static_cast<uint32_t>(std::min<size_t>(size, 4));
    uint32_t found = 0;
    const uint32_t markLength = Conv::GetBuffersByteOrderMarkLength(bytes, head, found);
    if (markLength > 0) {
      working = found;
      offset = markLength;
      marked = true;
      named = true;
    } else if (Conv::GetBuffersEncodingFromUnitLayout(bytes, head, found)) {
      working = found;
      named = true;
    }
  }
  if (offset >= size) {
    Log(Logger::kInfo, u"the XML file " + std::u16string(path) + u" is empty", __LINE__);
    return -1;
  }

  bool declared = false;
  // A declaration in single bytes: in a document without a mark or in one
  // marked as UTF-8. Wider units are searched for once decoded.
  if (Conv::GetCodeUnitSize(working) == 1 && (!marked || Conv::EncodingIsUTF8(working))) {
    // The declaration is ASCII; find it in the bytes. It may span lines.
    const uint32_t length =
        static_cast<uint32_t>(std::min<size_t>(size - offset, kDeclarationSearch));
    std::u16string decl(length + 1, u'\0');
    const uint32_t declLength =
        Conv::GetXMLDecl(bytes + offset, length, decl.data(), static_cast<uint32_t>(decl.size()));
    if (declLength > 0) {
      declared = true;
      uint32_t declaredEncoding = 0;
      if (!named && Conv::GetEncodingFromCharsetName(decl.data(), declLength, declaredEncoding)) {
        working = declaredEncoding;
        named = true;
      }
    }
  }

  // Bytes that do not decode in the encoding the document names would be
  // lost, and a save would write the host's file back without them.
  std::u16string text;
  if (named) {
    if (!DecodeStrictly(working, bytes + offset, size - offset, text)) {
      uint32_t line = 0;
      uint32_t column = 0;
      EndPlace(text, line, column);
      return Refuse(path, XML_ERROR_INCORRECT_ENCODING, line, column,
                    "bytes that are not valid in the document's encoding");
    }
  } else {
    CString decoded;
    Conv::ConvertScriptTextToUTF16(working, bytes + offset, static_cast<uint32_t>(size - offset),
                                   decoded);
    text.assign(decoded.Get() ? decoded.Get() : u"", static_cast<size_t>(decoded.GetLength()));
  }
  std::string().swap(source);  // the bytes are no longer needed
  const char16_t* const begin = text.data();
  const char16_t* const end = begin + text.size();

  // The declaration, found again in the decoded text; content goes on after
  // its "?>", on the same line.
  const char16_t* cursor = begin;
  {
    const uint32_t length =
        static_cast<uint32_t>(std::min<ptrdiff_t>(end - begin, kDeclarationSearch));
    std::u16string decl(length + 1, u'\0');
    const uint32_t declLength = length == 0 ? 0
                                            : Conv::GetXMLDecl(begin, length, decl.data(),
                                                               static_cast<uint32_t>(decl.size()));
    if (declLength > 0) {
      declared = true;
      m_xmlDecl = CString(decl.data(), declLength);
      const char16_t* at =
          std::search(begin, begin + length, kDeclarationStart,
                      kDeclarationStart + std::char_traits<char16_t>::length(kDeclarationStart));
      cursor = std::min(at + declLength, end);
    }
  }
  if (declared || named) m_encoding = working;

  std::u16string copy;
  copy.reserve(static_cast<size_t>(end - begin) + 64);
  std::vector<LineOrigin> origins;
  origins.reserve(static_cast<size_t>(end - begin) / 32 + 4);
  copy.append(kFixedDeclaration);
  copy += u'\r';
  origins.push_back({0, 0});
  const size_t bodyStart = copy.size();

  bool inCData = false;
  // Let go before expat runs: a line may be as long as the document.
  std::optional<CString> line(std::in_place);
  uint32_t lineNumber = 1;
  const char16_t* lineStart = begin;  // for the columns of error reports
  for (const char16_t* p = begin; p < cursor; ++p) {
    if (!IsLineEnd(*p)) continue;
    if (*p == u'\r' && p + 1 < cursor && p[1] == u'\n') ++p;
    ++lineNumber;
    lineStart = p + 1;
  }
  for (;;) {
    const char16_t* stop = std::find_if(cursor, end, IsLineEnd);
    const char16_t* s = cursor;
    const char16_t* e = stop;
    while (s < e && platform::iswspace(*s)) ++s;
    while (e > s && platform::iswspace(e[-1])) --e;

    if (s < e) {
      const CDataMarks marks = FindCDataMarks(s, e);
      line->Assign(s, static_cast<uint32_t>(e - s));
      int result;
      if (inCData || marks.lastOpen >= 0) {
        result = OnPreProcessCDATALine(*line);
        // On when a section opens after the last close, off when one closes.
        inCData = marks.lastOpen >= 0 ? marks.lastOpen > marks.lastClose : marks.lastClose < 0;
      } else {
        result = OnPreProcessLine(*line);
      }
      if (result != 0) return result;
      if (line->GetLength() > 0) copy.append(line->Get(), static_cast<size_t>(line->GetLength()));
      copy += u'\r';
      origins.push_back({lineNumber, static_cast<uint32_t>(s - lineStart)});
    }

    if (stop >= end) break;
    // One line end: CR, LF, or CR LF.
    cursor = stop + 1;
    if (*stop == u'\r' && cursor < end && *cursor == u'\n') ++cursor;
    lineStart = cursor;
    ++lineNumber;
  }
  line.reset();

  if (wrap) {
    // The wrapper the reader adds is not the document's own depth.
    ++m_maxDepth;
    // The wrapper opens behind the prolog: a document-type declaration
    // must come before the first element.
    const size_t at = PrologEnd(copy, bodyStart);
    if (at == 0 || copy[at - 1] == u'\r') {
      copy.insert(at, u"<wrapper>\r");
      const auto before =
          std::count(copy.begin(), copy.begin() + static_cast<ptrdiff_t>(at), u'\r');
      origins.insert(origins.begin() + before, LineOrigin{0, 0});
    } else {
      copy.insert(at, u"<wrapper>");
    }
    copy.append(u"</wrapper>\r");
    origins.push_back({0, 0});
  }
  std::u16string().swap(text);

  if (ParseText(copy.data(), copy.size(), true) == 0) {
    ReportError(path, origins.data(), origins.size());
    return kMalformedDocument;
  }
  return 0;
}

void CZorbXMLParser::ReportError(const char16_t* path, const LineOrigin* origins,
                                 size_t originCount) {
  const XML_Error code = XML_GetErrorCode(m_parser);
  const XML_Size copyLine = XML_GetCurrentLineNumber(m_parser);
  const XML_Size copyColumn = XML_GetCurrentColumnNumber(m_parser);
  m_errorCode = static_cast<int>(code);
  if (copyLine >= 1 && copyLine <= originCount && origins[copyLine - 1].line > 0) {
    m_errorLine = origins[copyLine - 1].line;
    m_errorColumn = static_cast<uint32_t>(copyColumn) + origins[copyLine - 1].column + 1;
  } else {
    // Past the last line (an unclosed element) or in a line ParseFile added.
    uint32_t last = 0;
    for (size_t i = originCount; i-- > 0;)
      if (origins[i].line > 0) {
        last = origins[i].line;
        break;
      }
    m_errorLine = last;
    m_errorColumn = 0;
  }
  const char* message = m_tooDeep ? "elements nested too deeply" : XML_ErrorString(code);
  std::string text = std::string(message ? message : "unknown error") + " (expat error " +
                     std::to_string(m_errorCode) + ") at line " + std::to_string(m_errorLine) +
                     ", column " + std::to_string(m_errorColumn);
  const std::u16string wide = Widen(text);
  m_errorText = wide.c_str();
  Log(Logger::kError, u"XML error in " + std::u16string(path) + u": " + wide, __LINE__);
}

int CZorbXMLParser::Refuse(const char16_t* path, int code, uint32_t line, uint32_t column,
                           const std::string& what) {
  m_errorCode = code;
  m_errorLine = line;
  m_errorColumn = column;
  const std::u16string wide = Widen(what + " (expat error " + std::to_string(code) + ") at line " +
                                    std::to_string(line) + ", column " + std::to_string(column));
  m_errorText = wide.c_str();
  Log(Logger::kError, u"XML error in " + std::u16string(path) + u": " + wide, __LINE__);
  return kMalformedDocument;
}
