#pragma once

#include <mutex>

#include "app/CBrioCommand.h"
#include "foundation/CZorbGetXMLProxy.h"

// Has the movie turn an XML file into key/value pairs ("brioParseXML"); the
// worker waits for the answer. Calls are taken one at a time.
class CGetXMLProxy_Impl final : public CZorbGetXMLProxy, public CBrioCommand {
 public:
  const char* getCommandName() const override { return "brioParseXML"; }
  const char* getCommandCBName() const override { return "externalCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override {}

  // Sends [id, text, keyPrefix]. The answer [id, "1"] means no such
  // element (true, no pairs), [id, "2"] a file that can't be read or isn't
  // XML (false); any other status is followed by keys and values in turn
  // (a lone last key is ignored; a later equal key wins). A short or
  // cancelled answer, or texts that aren't UTF-8, give false.
  bool getXMLinfoFromBareString(const CString& text, const CString& keyPrefix) override;

 private:
  std::mutex m_callMutex;
};

// The proxy of the running program: made at start-up and installed as
// CZorbGetXMLProxy::SetInstance(g_XMLParser) for the layers below.
extern CGetXMLProxy_Impl* g_XMLParser;
