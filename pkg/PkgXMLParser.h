#pragma once

#include <exception>
#include <istream>

#include "pkg/IXMLParser.h"

namespace pkg {

// The event-driven XML parser a program can hand to the package factory,
// over expat. Events reach the handler as UTF-8. A handler that answers -1
// stops the parse; an exception a handler throws never crosses expat: the
// parse stops and the exception is thrown again once expat has returned.
// External entities are never read.
class PkgXMLParser : public IXMLParser {
 public:
  PkgXMLParser();
  ~PkgXMLParser() override;
  PkgXMLParser(const PkgXMLParser&) = delete;
  PkgXMLParser& operator=(const PkgXMLParser&) = delete;

  void setEventHandler(IXMLParser_EventHandler* handler) override;
  // False when the document is not well-formed or a handler stopped it.
  bool parse(std::istream& input) override;
  // Frees the parse's state and forgets the handler.
  void endParse() override;

  // expat's account of the last failure ("" after a good parse).
  const char* errorText() const { return m_errorText; }
  int errorLine() const { return m_errorLine; }

  // Called back from expat; not for other callers.
  void onStartElement(const void* name, const void** attributes);
  void onEndElement(const void* name);
  void onCharacterData(const void* text, int length);
  void onProcessingInstruction(const void* target, const void* data);
  void onComment(const void* text);

 private:
  struct State;
  void freeState();
  // Runs one event unless the parse has stopped; stops it on -1 or on an
  // exception (kept for after the parse).
  template <class Fn>
  void event(Fn fn);

  IXMLParser_EventHandler* m_handler = nullptr;
  State* m_state = nullptr;
  const char* m_errorText = "";
  int m_errorLine = 0;
};

}  // namespace pkg
