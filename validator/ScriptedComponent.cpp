#include "validator/ScriptedComponent.h"

#include <charconv>

#include "validator/ValidatorGateway.h"

namespace nimbrel {

ScriptedComponent::ScriptedComponent(Deliver deliver, std::string message,
                                     std::vector<Value> values)
    : m_deliver(deliver), m_message(std::move(message)), m_values(std::move(values)) {}

void ScriptedComponent::onRequest(ulp::Script& script, const std::string& name,
                                  const std::vector<std::string>& texts) {
  if (name != kValidateRequest || m_deliver == Deliver::kSilent) return;
  std::vector<Value> values = m_values;
  if (m_deliver == Deliver::kEcho) {
    values.clear();
    for (const std::string& text : texts) values.push_back({Value::Kind::kText, text, 0});
  }
  script.later([this, values](ulp::Script& frame) { answer(frame, m_message, values); });
  if (m_deliver == Deliver::kThrow) script.raise("Error", "the scripted component failed");
}

std::unique_ptr<ulp::Component> makeScriptedComponent(const ulp::ComponentSource& source) {
  const std::string deliver = source.value("deliver", "answer");
  ScriptedComponent::Deliver mode;
  if (deliver == "answer")
    mode = ScriptedComponent::Deliver::kAnswer;
  else if (deliver == "echo")
    mode = ScriptedComponent::Deliver::kEcho;
  else if (deliver == "silent")
    mode = ScriptedComponent::Deliver::kSilent;
  else if (deliver == "throw")
    mode = ScriptedComponent::Deliver::kThrow;
  else
    return nullptr;
  std::vector<GatewayComponent::Value> values;
  for (const auto& [key, text] : source.settings) {
    if (key == "text") {
      values.push_back({GatewayComponent::Value::Kind::kWireText, text, 0});
    } else if (key == "number") {
      double number = 0;
      const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
      if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size()) return nullptr;
      values.push_back({GatewayComponent::Value::Kind::kNumber, {}, number});
    }
  }
  return std::make_unique<ScriptedComponent>(mode, source.value("message", kValidationResponse),
                                             std::move(values));
}

}  // namespace nimbrel
