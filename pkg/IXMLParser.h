#pragma once

#include <istream>
#include <map>
#include <string>

namespace pkg {

// The events of an XML parse. Each answers 0 to go on and -1 to report a
// failure.
class IXMLParser_EventHandler {
 public:
  virtual ~IXMLParser_EventHandler();
  virtual int startElement(const std::string& name,
                           const std::map<std::string, std::string>& attributes) = 0;
  virtual int endElement(const std::string& name) = 0;
  virtual int characterData(const char* text, int length) = 0;
  virtual int processingInstruction(const std::string& target, const char* data, int length) = 0;
  virtual int comment(const char* text, int length) = 0;
};

// The event-driven XML parser a program hands to the package factory; the
// library uses only these three operations, in this order.
class IXMLParser {
 public:
  virtual ~IXMLParser();
  virtual void setEventHandler(IXMLParser_EventHandler* handler) = 0;
  // Parses the whole stream; false when the parser rejects it.
  virtual bool parse(std::istream& input) = 0;
  virtual void endParse() = 0;
};

// An outside hook: the library only asks getPolicy(n).
class IPkgPolicies {
 public:
  virtual ~IPkgPolicies();
  virtual int getPolicy(int policy) = 0;
};

}  // namespace pkg
