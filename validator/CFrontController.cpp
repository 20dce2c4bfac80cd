#include "validator/CFrontController.h"

#include <algorithm>

#include "platform/ulp/RunLoop.h"
#include "support/name_t.h"
#include "support/string_t.h"
#include "support/type_info_t.h"
#include "validator/NimbrelAppDelegate.h"
#include "validator/ValidatorGateway.h"

namespace nimbrel {

IApplication* CFrontController::m_pApp = nullptr;
UlpWindow* CFrontController::m_BrioControl = nullptr;

namespace {

bool holdsString(const vesko::any_regular_t& value) {
  return value.type_info() == vesko::type_info<vesko::string_t>();
}

}  // namespace

CFrontController* CFrontController::getInstance() {
  static CFrontController* instance = new CFrontController;
  return instance;
}

void CFrontController::saveParameters(const Arguments& parameters) {
  m_parameters = parameters;
}

void CFrontController::setOutput(std::FILE* output, bool closeWhenDone) {
  m_output = output;
  m_closeOutput = closeWhenDone;
}

void CFrontController::SendValidationRequest() {
  if (!m_parameters.empty()) sendCallbackMessage(kValidateRequest, m_parameters);
}

void CFrontController::sendCallbackMessage(const char* name, const Arguments& arguments) {
  auto request = std::make_shared<request_t>();
  request->name = vesko::name_t(name, vesko::dont_copy_t());
  for (const vesko::any_regular_t& argument : arguments) {
    if (!holdsString(argument)) continue;
    const vesko::string_t& text = argument.cast<vesko::string_t>();
    const std::string encoded = encodeMessage(std::string_view(text.c_str(), text.size()));
    request->arguments.push_back(vesko::any_regular_t(encoded));
  }
  postMessage(std::move(request));
}

void CFrontController::postMessage(std::shared_ptr<request_t> request) {
  UlpWindow* window = m_BrioControl;
  if (!window) return;
  ulp::RunLoop::shared().post([window, request] {
    AppEvent event;
    event.type = kApplicationDefinedEvent;
    event.subtype = kRequestEventSubtype;
    event.data1 = request;
    window->sendEvent(event);
  });
}

void CFrontController::dispatchInvocation(const request_t& request) {
  if (request.name != vesko::name_t(kValidationResponse, vesko::dont_copy_t())) {
    g_exitCode = kExitWrongMessage;
    if (m_pApp) m_pApp->ExitApp();
    return;
  }
  for (const vesko::any_regular_t& argument : request.arguments) {
    if (!holdsString(argument)) continue;
    const vesko::string_t& text = argument.cast<vesko::string_t>();
    std::string line = decodeMessage(std::string_view(text.c_str(), text.size()));
    // A text ends at a zero byte. The reader counts lines: a line end
    // inside a text would shift every text after it.
    line.resize(std::min(line.size(), line.find('\0')));
    for (char& c : line)
      if (c == '\n' || c == '\r') c = ' ';
    line += '\n';
    if (m_output) std::fwrite(line.data(), 1, line.size(), m_output);
  }
  if (m_output) {
    std::fflush(m_output);
    if (m_closeOutput) {
      std::fclose(m_output);
      m_output = nullptr;
    }
  }
  if (m_pApp) m_pApp->ExitApp();
}

}  // namespace nimbrel
