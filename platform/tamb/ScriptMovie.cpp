#include "platform/tamb/ScriptMovie.h"

#include <utility>

namespace tamb {

void ScriptMovie::start(MovieHost& host) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_host = &host;
}

MovieHost* ScriptMovie::host() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_host;
}

std::string ScriptMovie::encoded(const std::string& text) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_encode ? m_encode(text) : text;
}

std::string ScriptMovie::decoded(const std::string& text) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_decode ? m_decode(text) : text;
}

Value ScriptMovie::invoke(const Invocation& raw) {
  Invocation call = raw;
  for (Value& v : call.arguments)
    if (v.isString()) v.text = decoded(v.text);

  bool haveCanned = false;
  Canned canned;
  Responder responder;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(call);
    auto queued = m_canned.find(call.name);
    if (queued != m_canned.end() && !queued->second.empty()) {
      canned = std::move(queued->second.front());
      queued->second.pop_front();
      haveCanned = true;
    } else if (auto it = m_responders.find(call.name); it != m_responders.end()) {
      responder = it->second;
    } else if (m_others) {
      responder = m_others;
    } else {
      m_unanswered.push_back(call);
    }
  }
  // Answers go out without the lock: a responder may use the movie.
  if (haveCanned)
    answer(call, canned.values, canned.answerName);
  else if (responder)
    responder(call, *this);
  return {};
}

void ScriptMovie::expect(const std::string& name, std::vector<std::string> values,
                         const std::string& answerName) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_canned[name].push_back({std::move(values), answerName});
}

void ScriptMovie::respond(const std::string& name, Responder responder) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_responders[name] = std::move(responder);
}

void ScriptMovie::respondToOthers(Responder responder) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_others = std::move(responder);
}

void ScriptMovie::answer(const Invocation& call, const std::vector<std::string>& values,
                         const std::string& answerName) {
  std::vector<std::string> strings;
  strings.reserve(values.size() + 1);
  // The id travels back as the movie received it.
  strings.push_back(call.arguments.empty() ? std::string() : call.arguments[0].text);
  strings.insert(strings.end(), values.begin(), values.end());
  inject(answerName, strings);
}

void ScriptMovie::inject(const std::string& name, const std::vector<std::string>& strings) {
  Invocation call;
  call.name = name;
  for (const std::string& s : strings) call.arguments.push_back(Value::string(s));
  inject(call);
}

void ScriptMovie::inject(const Invocation& raw) {
  Invocation call = raw;
  for (Value& v : call.arguments)
    if (v.isString()) v.text = encoded(v.text);
  if (MovieHost* h = host()) h->externalCall(call);
}

void ScriptMovie::injectText(const std::string& requestText) {
  if (MovieHost* h = host()) h->externalCallText(requestText);
}

void ScriptMovie::setTextCodec(TextCodec encode, TextCodec decode) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_encode = std::move(encode);
  m_decode = std::move(decode);
}

std::vector<Invocation> ScriptMovie::calls() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls;
}

std::vector<Invocation> ScriptMovie::callsNamed(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<Invocation> out;
  for (const Invocation& c : m_calls)
    if (c.name == name) out.push_back(c);
  return out;
}

size_t ScriptMovie::callCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls.size();
}

std::vector<Invocation> ScriptMovie::unansweredCalls() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_unanswered;
}

size_t ScriptMovie::pendingAnswers() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  size_t n = 0;
  for (const auto& [name, queue] : m_canned) n += queue.size();
  return n;
}

void ScriptMovie::clearCalls() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_calls.clear();
  m_unanswered.clear();
}

}  // namespace tamb
