#include "app/LumenExternalInterface.h"

#include <cstdio>
#include <stdexcept>
#include <string_view>

#include "platform/tamb/Player.h"
#include "support/empty_t.h"
#include "support/string_t.h"

namespace vesko::tamb_canvas::lumen_external_interface {

namespace {

any_regular_t valueFromFramework(const tamb::Value& v) {
  switch (v.kind) {
    case tamb::Value::Kind::kString:
      return any_regular_t(string_t(v.text));
    case tamb::Value::Kind::kNumber: {
      try {
        return any_regular_t(std::stod(v.text));
      } catch (const std::exception&) {
        // A number the movie wrote badly stays visible as what it is not:
        // a string would be taken as an argument.
        return any_regular_t(empty_t());
      }
    }
    case tamb::Value::Kind::kTrue:
      return any_regular_t(name_t("true"));
    case tamb::Value::Kind::kFalse:
      return any_regular_t(name_t("false"));
    case tamb::Value::Kind::kNull:
    case tamb::Value::Kind::kUndefined:
      return any_regular_t(empty_t());
  }
  return any_regular_t(empty_t());
}

tamb::Value valueToFramework(const any_regular_t& v) {
  const type_info_t type = v.type_info();
  if (type == type_info<string_t>()) return tamb::Value::string(std::string(v.cast<string_t>()));
  if (type == type_info<double>()) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v.cast<double>());
    return tamb::Value::number(text);
  }
  if (type == type_info<name_t>()) {
    const std::string_view name = v.cast<name_t>().c_str();
    if (name == "true") return {tamb::Value::Kind::kTrue, ""};
    if (name == "false") return {tamb::Value::Kind::kFalse, ""};
    return tamb::Value::string(std::string(name));
  }
  return {tamb::Value::Kind::kNull, ""};
}

}  // namespace

request_t requestFromInvocation(const tamb::Invocation& call) {
  request_t request;
  request.name_m = name_t(call.name.c_str());
  for (const tamb::Value& v : call.arguments) request.arguments_m.push_back(valueFromFramework(v));
  return request;
}

tamb::Invocation invocationFromRequest(const request_t& request) {
  tamb::Invocation call;
  call.name = request.name_m.c_str();
  for (const any_regular_t& v : request.arguments_m) call.arguments.push_back(valueToFramework(v));
  return call;
}

request_t read_request(const char* text, unsigned length) {
  std::string error;
  const auto call =
      tamb::parseRequest(std::string_view(text ? text : "", text ? length : 0), &error);
  if (!call) throw std::invalid_argument("not a request: " + error);
  return requestFromInvocation(*call);
}

any_regular_t lumen_player_invoke_request(tamb::Player* player, const request_t& request) {
  if (!player) return any_regular_t(empty_t());
  return valueFromFramework(player->invoke(invocationFromRequest(request)));
}

}  // namespace vesko::tamb_canvas::lumen_external_interface
