#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ulp/Component.h"
#include "validator/GatewayComponent.h"

namespace nimbrel {

inline constexpr char kScriptedComponentName[] = "script";

// A component for tests of Nimbrel's protocol, set by its component file:
//   component=script
//   deliver=answer    answers "Validate" in a later frame (the default);
//           echo      answers with the request's texts;
//           silent    never answers;
//           throw     raises a script exception, then answers later
//   message=<name>    the answer's name (default "ValidationResponse")
//   text=<text>       an answer text, sent as it stands (escapes and all);
//   number=<n>        a number; both in file order
class ScriptedComponent : public GatewayComponent {
 public:
  enum class Deliver { kAnswer, kEcho, kSilent, kThrow };

  ScriptedComponent(Deliver deliver, std::string message, std::vector<Value> values);

  void onRequest(ulp::Script& script, const std::string& name,
                 const std::vector<std::string>& texts) override;

 private:
  Deliver m_deliver;
  std::string m_message;
  std::vector<Value> m_values;
};

// Null for settings it does not know.
std::unique_ptr<ulp::Component> makeScriptedComponent(const ulp::ComponentSource& source);

}  // namespace nimbrel
