#include "validator/GatewayComponent.h"

#include <memory>

#include "validator/ValidatorGateway.h"

namespace nimbrel {

namespace {

std::string hostName(const char* className) {
  return std::string(kValidatorGateway) + "." + className;
}

// The component's gateway class: Nimbrel calls its static method
// sendRequestToOV(name, texts...).
class GatewayClass : public ulp::ScriptObject {
 public:
  explicit GatewayClass(GatewayComponent& component)
      : ulp::ScriptObject("Application"), m_component(component) {}

  UlpOpaqueAtom* call(ulp::Script& script, const std::string& method,
                      const ulp::Arguments& args) override {
    if (method != kSendRequestToOV) return ulp::ScriptObject::call(script, method, args);
    if (args.empty()) script.raise("TypeError", "sendRequestToOV needs a request name");
    std::vector<std::string> texts;
    for (size_t i = 1; i < args.size(); ++i) texts.push_back(script.text(args[i]));
    m_component.receive(script, script.text(args[0]), texts);
    return script.undefined();
  }

 private:
  GatewayComponent& m_component;
};

}  // namespace

void GatewayComponent::load(ulp::Script& script) {
  script.defineClass(hostName(kApplicationClassName), std::make_unique<GatewayClass>(*this));
  script.later([](ulp::Script& frame) {
    frame.call(frame.hostClass(hostName(kApplicationClassName)), kBrioCallBackReady, {});
  });
}

void GatewayComponent::receive(ulp::Script& script, const std::string& name,
                               const std::vector<std::string>& escapedTexts) {
  std::vector<std::string> texts;
  texts.reserve(escapedTexts.size());
  for (const std::string& text : escapedTexts) texts.push_back(m_codec.decodeMessage(text));
  onRequest(script, name, texts);
}

void GatewayComponent::answer(ulp::Script& script, const std::string& message,
                              const std::vector<Value>& values) {
  ulp::Arguments args{script.string(message)};
  for (const Value& value : values) {
    if (value.kind == Value::Kind::kNumber)
      args.push_back(script.number(value.number));
    else if (value.kind == Value::Kind::kWireText)
      args.push_back(script.string(value.text));
    else
      args.push_back(script.string(m_codec.encodeMessage(value.text)));
  }
  script.call(script.hostClass(hostName(kPlexarClassName)), kInvoke, args);
}

void GatewayComponent::answerTexts(ulp::Script& script, const std::string& message,
                                   const std::vector<std::string>& texts) {
  std::vector<Value> values;
  for (const std::string& text : texts) values.push_back({Value::Kind::kText, text, 0});
  answer(script, message, values);
}

}  // namespace nimbrel
