#pragma once

#include <string>
#include <vector>

#include "platform/ulp/Component.h"
#include "platform/ulp/Script.h"
#include "validator/MessageEscapeCodec.h"

namespace nimbrel {

// The part every component of Nimbrel shares: it defines the gateway class
// whose static method "sendRequestToOV" takes Nimbrel's requests, reports
// readiness to the host's Application class in its first frame, and
// answers through the host's Plexar class. Texts cross escaped both ways.
class GatewayComponent : public ulp::Component {
 public:
  // One value of an answer.
  struct Value {
    // kText is escaped on the way; kWireText is sent as it stands.
    enum class Kind { kText, kWireText, kNumber };
    Kind kind = Kind::kText;
    std::string text;
    double number = 0;
  };

  void load(ulp::Script& script) override;

  // A request as it arrives, its texts still escaped.
  void receive(ulp::Script& script, const std::string& name,
               const std::vector<std::string>& escapedTexts);

  // A request from Nimbrel, its texts decoded.
  virtual void onRequest(ulp::Script& script, const std::string& name,
                         const std::vector<std::string>& texts) = 0;

  // Calls Plexar.invoke(message, values...), texts encoded.
  void answer(ulp::Script& script, const std::string& message, const std::vector<Value>& values);
  void answerTexts(ulp::Script& script, const std::string& message,
                   const std::vector<std::string>& texts);

 protected:
  MessageEscapeCodec m_codec;
};

}  // namespace nimbrel
