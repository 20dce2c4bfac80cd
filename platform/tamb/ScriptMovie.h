#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/tamb/Movie.h"

namespace tamb {

// A movie for tests: it records every call of the program, answers the
// calls it expects with canned answers, and makes external calls that a
// test injects from any thread.
//
// An answer is an external call under the answer name whose argument 0 is
// argument 0 of the call answered (its request id), followed by the answer's
// values. Texts pass through the text codec when one is set: recorded
// arguments are decoded, answers and injected strings encoded, as a real
// movie does with the program's escapes.
class ScriptMovie final : public Movie {
 public:
  // The name under which the movie answers the program's requests.
  static constexpr const char* kAnswerName = "externalCallBack";

  using Responder = std::function<void(const Invocation& call, ScriptMovie& movie)>;
  using TextCodec = std::function<std::string(const std::string&)>;

  ScriptMovie() = default;

  void start(MovieHost& host) override;
  Value invoke(const Invocation& call) override;

  // Queues a canned answer for the next call of that name; answers of one
  // name are used in the order they were queued, each once.
  void expect(const std::string& name, std::vector<std::string> values,
              const std::string& answerName = kAnswerName);
  // Answers every call of that name (once its canned answers are used up).
  void respond(const std::string& name, Responder responder);
  // Answers every call that nothing else answers.
  void respondToOthers(Responder responder);

  // Sends the answer to a call: [call's argument 0, values...].
  void answer(const Invocation& call, const std::vector<std::string>& values,
              const std::string& answerName = kAnswerName);
  // An external call of the movie, from any thread; strings are encoded.
  void inject(const std::string& name, const std::vector<std::string>& strings);
  void inject(const Invocation& call);
  void injectText(const std::string& requestText);

  void setTextCodec(TextCodec encode, TextCodec decode);

  // Recorded calls (strings decoded), in arrival order.
  std::vector<Invocation> calls() const;
  std::vector<Invocation> callsNamed(const std::string& name) const;
  size_t callCount() const;
  // Calls that nothing answered.
  std::vector<Invocation> unansweredCalls() const;
  // Canned answers still waiting for their call.
  size_t pendingAnswers() const;
  void clearCalls();

 private:
  struct Canned {
    std::vector<std::string> values;
    std::string answerName;
  };

  std::string encoded(const std::string& text) const;
  std::string decoded(const std::string& text) const;
  MovieHost* host() const;

  mutable std::mutex m_mutex;
  MovieHost* m_host = nullptr;
  TextCodec m_encode;
  TextCodec m_decode;
  std::map<std::string, std::deque<Canned>> m_canned;
  std::map<std::string, Responder> m_responders;
  Responder m_others;
  std::vector<Invocation> m_calls;
  std::vector<Invocation> m_unanswered;
};

}  // namespace tamb
