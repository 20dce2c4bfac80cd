#include "pkg/PkgXMLParser.h"

#ifndef XML_UNICODE
#define XML_UNICODE
#endif
#include <expat.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os/Utf.h"

namespace pkg {

static_assert(sizeof(XML_Char) == sizeof(char16_t), "expat must be the UTF-16 build");

namespace {

std::u16string_view view(const void* text, size_t length) {
  return std::u16string_view(static_cast<const char16_t*>(text), length);
}

std::u16string_view view(const void* text) {
  const auto* p = static_cast<const char16_t*>(text);
  size_t n = 0;
  while (p[n]) ++n;
  return std::u16string_view(p, n);
}

// expat hands out well-formed UTF-16; a lone surrogate would be its fault,
// and is then replaced rather than allowed to fail the event.
std::string utf8(std::u16string_view text) {
  std::optional<std::string> converted = platform::utf16ToUtf8(text);
  if (converted) return *converted;
  std::u16string cleaned(text);
  for (char16_t& unit : cleaned) {
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
  }
  return platform::utf16ToUtf8(cleaned).value_or(std::string());
}

PkgXMLParser* self(void* userData) {
  return static_cast<PkgXMLParser*>(userData);
}

void XMLCALL startElement(void* userData, const XML_Char* name, const XML_Char** attributes) {
  self(userData)->onStartElement(name, reinterpret_cast<const void**>(attributes));
}
void XMLCALL endElement(void* userData, const XML_Char* name) {
  self(userData)->onEndElement(name);
}
void XMLCALL characterData(void* userData, const XML_Char* text, int length) {
  self(userData)->onCharacterData(text, length);
}
void XMLCALL processingInstruction(void* userData, const XML_Char* target, const XML_Char* data) {
  self(userData)->onProcessingInstruction(target, data);
}
void XMLCALL comment(void* userData, const XML_Char* text) {
  self(userData)->onComment(text);
}

}  // namespace

struct PkgXMLParser::State {
  XML_Parser parser = nullptr;
  bool stopped = false;
  std::exception_ptr failure;
};

PkgXMLParser::PkgXMLParser() = default;

PkgXMLParser::~PkgXMLParser() {
  endParse();
}

void PkgXMLParser::setEventHandler(IXMLParser_EventHandler* handler) {
  m_handler = handler;
}

template <class Fn>
void PkgXMLParser::event(Fn fn) {
  if (!m_state || m_state->stopped || !m_handler) return;
  int answer = -1;
  try {
    answer = fn();
  } catch (...) {
    m_state->failure = std::current_exception();
  }
  if (answer != 0) {
    m_state->stopped = true;
    XML_StopParser(m_state->parser, XML_FALSE);
  }
}

void PkgXMLParser::onStartElement(const void* name, const void** attributes) {
  event([&] {
    std::map<std::string, std::string> attrs;
    for (const void** a = attributes; a && a[0]; a += 2) attrs[utf8(view(a[0]))] = utf8(view(a[1]));
    return m_handler->startElement(utf8(view(name)), attrs);
  });
}

void PkgXMLParser::onEndElement(const void* name) {
  event([&] { return m_handler->endElement(utf8(view(name))); });
}

void PkgXMLParser::onCharacterData(const void* text, int length) {
  event([&] {
    std::string bytes = utf8(view(text, static_cast<size_t>(length)));
    return m_handler->characterData(bytes.data(), static_cast<int>(bytes.size()));
  });
}

void PkgXMLParser::onProcessingInstruction(const void* target, const void* data) {
  event([&] {
    std::string bytes = utf8(view(data));
    return m_handler->processingInstruction(utf8(view(target)), bytes.data(),
                                            static_cast<int>(bytes.size()));
  });
}

void PkgXMLParser::onComment(const void* text) {
  event([&] {
    std::string bytes = utf8(view(text));
    return m_handler->comment(bytes.data(), static_cast<int>(bytes.size()));
  });
}

bool PkgXMLParser::parse(std::istream& input) {
  freeState();
  m_errorText = "";
  m_errorLine = 0;
  m_state = new State;
  // The document's own declaration (or byte-order mark) names its encoding.
  m_state->parser = XML_ParserCreate(nullptr);
  if (!m_state->parser) {
    m_errorText = "out of memory";
    return false;
  }
  XML_Parser parser = m_state->parser;
  XML_SetUserData(parser, this);
  XML_SetElementHandler(parser, &startElement, &endElement);
  XML_SetCharacterDataHandler(parser, &characterData);
  XML_SetProcessingInstructionHandler(parser, &processingInstruction);
  XML_SetCommentHandler(parser, &comment);
  XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);

  char buffer[4096];
  bool ok = true;
  for (;;) {
    input.read(buffer, sizeof(buffer));
    std::streamsize got = input.gcount();
    const bool last = got < static_cast<std::streamsize>(sizeof(buffer));
    if (XML_Parse(parser, buffer, static_cast<int>(got), last ? XML_TRUE : XML_FALSE) !=
        XML_STATUS_OK) {
      ok = false;
      break;
    }
    if (last) break;
  }
  if (!ok) {
    m_errorLine = static_cast<int>(XML_GetCurrentLineNumber(parser));
    XML_Error code = XML_GetErrorCode(parser);
    m_errorText = m_state->stopped ? "stopped by the handler" : XML_ErrorString(code);
  }
  // Thrown only now that expat is out of the way.
  if (m_state->failure) {
    std::exception_ptr failure = m_state->failure;
    m_state->failure = nullptr;
    std::rethrow_exception(failure);
  }
  return ok && !m_state->stopped;
}

void PkgXMLParser::endParse() {
  freeState();
  m_handler = nullptr;
}

void PkgXMLParser::freeState() {
  if (m_state) {
    if (m_state->parser) XML_ParserFree(m_state->parser);
    delete m_state;
    m_state = nullptr;
  }
}

}  // namespace pkg
