#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "support/any_regular_t.h"
#include "support/vector.h"
#include "validator/IApplication.h"
#include "validator/MessageEscapeCodec.h"
#include "validator/request_t.h"

namespace nimbrel {

class UlpWindow;

// Nimbrel's side of the messages with its component: it sends the saved
// parameters as the one request "Validate" and prints the answer.
class CFrontController {
 public:
  using Arguments = vesko::vector<vesko::any_regular_t>;

  // Made on first use; never freed.
  static CFrontController* getInstance();

  // Keeps a copy, replacing the one before.
  void saveParameters(const Arguments& parameters);
  const Arguments& savedParameters() const { return m_parameters; }

  // Sends "Validate" with the saved parameters; nothing without any.
  void SendValidationRequest();
  // Builds a request of that name (a literal: the request keeps the text
  // itself) from the string arguments, escaped, and posts it.
  void sendCallbackMessage(const char* name, const Arguments& arguments);
  // The request reaches the component from the run loop, after the current
  // call from the component has returned.
  void postMessage(std::shared_ptr<request_t> request);
  // The component's answer: "ValidationResponse" prints each string
  // argument, decoded, on a line of its own, then ends the application; any
  // other name ends it with exit code -5 and prints nothing.
  void dispatchInvocation(const request_t& request);

  std::string encodeMessage(std::string_view text) const { return m_codec.encodeMessage(text); }
  std::string decodeMessage(std::string_view text) const { return m_codec.decodeMessage(text); }

  // Where the answer goes: standard output, closed after the last line.
  void setOutput(std::FILE* output, bool closeWhenDone);

  static IApplication* m_pApp;
  static UlpWindow* m_BrioControl;

 private:
  CFrontController() = default;

  MessageEscapeCodec m_codec;
  Arguments m_parameters;
  std::FILE* m_output = stdout;
  bool m_closeOutput = true;
};

}  // namespace nimbrel
