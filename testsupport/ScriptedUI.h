#pragma once

// A user interface for the engine whose answers a test writes beforehand.
//
// Every call is recorded with its arguments as text. Each question takes
// the next scripted answer; an answer scripted for another question, or
// none at all, fails the test (unless a standing answer covers the
// question) and the question is refused (Cancel, No, false). Answers still
// unused when the UI goes away fail the test too.
//
//   testsupport::ScriptedUI ui;
//   ui.answerMessageBox(CZorbPlexarUI::kAnswerRetry);
//   ui.answerSupports(true);
//   ... run the code under test with &ui ...
//   EXPECT_EQ(ui.names(), (std::vector<std::string>{"MessageBox", "Supports"}));
//
// Safe to call from the engine's worker thread while the test thread
// scripts or reads it.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "foundation/CString.h"
#include "foundation/CZorbTypedVector.h"
#include "transaction/CZorbPlexarUI.h"

namespace testsupport {

class ScriptedUI : public CZorbPlexarUI {
 public:
  enum class Question {
    MessageBox,
    ConfirmInstall,
    PromptForFolder,
    PromptForLocale,
    CreateKXIFromStandaloneWBXS,
    GetInstallType,
    Supports,
    Validation,
    ShowFailedPrimaryProduct,
  };

  struct Answer {
    int number = 0;       // MessageBox, ShowFailedPrimaryProduct
    bool yes = false;     // every question that answers true or false
    std::u16string text;  // the folder or locale chosen
    AdminInstallType installType = kInstallForCurrentUser;
    std::vector<std::u16string> texts;  // validation's output
  };

  // One call: its name as the interface spells it and its arguments as
  // text (flags "1" and "0", numbers in decimal, lists one text a value).
  struct Call {
    std::string name;
    std::vector<std::u16string> args;
  };

  using Handler = std::function<Answer(const Call&)>;

  ScriptedUI() = default;
  ScriptedUI(const ScriptedUI&) = delete;
  ScriptedUI& operator=(const ScriptedUI&) = delete;
  ~ScriptedUI() override {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& [question, answer] : m_script)
      ADD_FAILURE() << "a scripted answer to " << Name(question) << " was never asked for";
  }

  // The script, in the order the questions are to come.
  void answer(Question question, Answer reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_script.emplace_back(question, std::move(reply));
  }
  void answerMessageBox(int reply) { answer(Question::MessageBox, Number(reply)); }
  void answerConfirmInstall(bool yes) { answer(Question::ConfirmInstall, Yes(yes)); }
  void answerPromptForFolder(bool ok, std::u16string folder) {
    answer(Question::PromptForFolder, Text(ok, std::move(folder)));
  }
  void answerPromptForLocale(bool ok, std::u16string locale) {
    answer(Question::PromptForLocale, Text(ok, std::move(locale)));
  }
  void answerCreateKXIFromStandaloneWBXS(bool yes) {
    answer(Question::CreateKXIFromStandaloneWBXS, Yes(yes));
  }
  void answerGetInstallType(bool ok, AdminInstallType type) {
    Answer a = Yes(ok);
    a.installType = type;
    answer(Question::GetInstallType, a);
  }
  void answerSupports(bool yes) { answer(Question::Supports, Yes(yes)); }
  void answerValidation(bool ok, std::vector<std::u16string> output) {
    Answer a = Yes(ok);
    a.texts = std::move(output);
    answer(Question::Validation, a);
  }
  void answerShowFailedPrimaryProduct(int reply) {
    answer(Question::ShowFailedPrimaryProduct, Number(reply));
  }

  // A standing answer for a question asked any number of times; the
  // scripted answers still come first when one is next for it.
  void always(Question question, Handler handler) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_standing[question] = std::move(handler);
  }
  // The standing answers most tests give.
  void alwaysYes(Question question) {
    always(question, [](const Call&) { return Yes(true); });
  }
  void alwaysNumber(Question question, int reply) {
    always(question, [reply](const Call&) { return Number(reply); });
  }
  // Supports: a product supports a requirement that names it.
  void alwaysSupportsByName() {
    always(Question::Supports, [](const Call& call) { return Yes(call.args[0] == call.args[1]); });
  }
  // Validation: passes with these results.
  void alwaysValidates(std::vector<std::u16string> results) {
    always(Question::Validation, [results](const Call&) {
      Answer a = Yes(true);
      a.texts = results;
      return a;
    });
  }

  std::vector<Call> calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
  }
  std::vector<std::string> names() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> out;
    for (const Call& call : m_calls) out.push_back(call.name);
    return out;
  }

  // Questions.
  int MessageBox(const char16_t* text, unsigned int type, bool log) const override {
    return Ask(Question::MessageBox, {Str(text), Num(static_cast<long long>(type)), Flag(log)},
               Number(kAnswerCancel))
        .number;
  }
  bool ConfirmInstall(const char16_t* first, const char16_t* second) const override {
    return Ask(Question::ConfirmInstall, {Str(first), Str(second)}, Yes(false)).yes;
  }
  bool PromptForFolder(CString title, CString defaultFolder, bool flag,
                       CString& chosen) const override {
    const Answer a =
        Ask(Question::PromptForFolder, {Str(title), Str(defaultFolder), Flag(flag)}, Yes(false));
    if (a.yes) chosen = a.text.c_str();
    return a.yes;
  }
  bool PromptForLocale(CString productName, CString extensionName,
                       CZorbTypedVector<CString> locales, CString& chosen) const override {
    std::vector<std::u16string> args = {Str(productName), Str(extensionName)};
    for (const CString& locale : locales) args.push_back(Str(locale));
    const Answer a = Ask(Question::PromptForLocale, std::move(args), Yes(false));
    if (a.yes) chosen = a.text.c_str();
    return a.yes;
  }
  bool CreateKXIFromStandaloneWBXS(CString folder, CString packageName,
                                   CString third) const override {
    return Ask(Question::CreateKXIFromStandaloneWBXS, {Str(folder), Str(packageName), Str(third)},
               Yes(false))
        .yes;
  }
  bool GetInstallType(AdminInstallType& type) override {
    const Answer a = Ask(Question::GetInstallType, {}, Yes(false));
    if (a.yes) type = a.installType;
    return a.yes;
  }
  bool Supports(CString productName, CString kxiProductName, CString kxiVersion,
                CString kxiMaxVersion, bool minOpen, bool maxOpen, int mode) override {
    return Ask(Question::Supports,
               {Str(productName), Str(kxiProductName), Str(kxiVersion), Str(kxiMaxVersion),
                Flag(minOpen), Flag(maxOpen), Num(mode)},
               Yes(false))
        .yes;
  }
  bool validation(CZorbTypedVector<CString> input,
                  CZorbTypedVector<CString>& output) const override {
    std::vector<std::u16string> args;
    for (const CString& text : input) args.push_back(Str(text));
    const Answer a = Ask(Question::Validation, std::move(args), Yes(false));
    output.clear();
    for (const std::u16string& text : a.texts) output.push_back(CString(text.c_str()));
    return a.yes;
  }
  int ShowFailedPrimaryProduct(CString product) override {
    return Ask(Question::ShowFailedPrimaryProduct, {Str(product)}, Number(kAnswerNo)).number;
  }

  // Notices: recorded only.
  void ShowWaitCursor() override { Record("ShowWaitCursor", {}); }
  void HideWaitCursor() override { Record("HideWaitCursor", {}); }
  void ShowProgress(const char16_t* title, const char16_t* text, bool flag) override {
    Record("ShowProgress", {Str(title), Str(text), Flag(flag)});
  }
  void SetProgressCount(int total) override {
    Record("SetProgressCount", {Num(total)});
    std::lock_guard<std::mutex> lock(m_mutex);
    m_total = total;
  }
  int getTotalProgressCount() override {
    Record("getTotalProgressCount", {});
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_total;
  }
  void UpdateProgress(int index) override { Record("UpdateProgress", {Num(index)}); }
  void HideProgress() override { Record("HideProgress", {}); }
  void ShowRequiredProducts(CZorbTypedVector<CString> products) override {
    std::vector<std::u16string> args;
    for (const CString& product : products) args.push_back(Str(product));
    Record("ShowRequiredProducts", std::move(args));
  }
  void UpdateProgressWithPriProductCount(int index, int primaryCount) override {
    Record("UpdateProgressWithPriProductCount", {Num(index), Num(primaryCount)});
  }

  static const char* Name(Question question) {
    switch (question) {
      case Question::MessageBox:
        return "MessageBox";
      case Question::ConfirmInstall:
        return "ConfirmInstall";
      case Question::PromptForFolder:
        return "PromptForFolder";
      case Question::PromptForLocale:
        return "PromptForLocale";
      case Question::CreateKXIFromStandaloneWBXS:
        return "CreateKXIFromStandaloneWBXS";
      case Question::GetInstallType:
        return "GetInstallType";
      case Question::Supports:
        return "Supports";
      case Question::Validation:
        return "validation";
      case Question::ShowFailedPrimaryProduct:
        return "ShowFailedPrimaryProduct";
    }
    return "?";
  }

 private:
  static Answer Number(int n) {
    Answer a;
    a.number = n;
    return a;
  }
  static Answer Yes(bool yes) {
    Answer a;
    a.yes = yes;
    return a;
  }
  static Answer Text(bool ok, std::u16string text) {
    Answer a = Yes(ok);
    a.text = std::move(text);
    return a;
  }
  static std::u16string Str(const char16_t* text) { return text ? std::u16string(text) : u""; }
  static std::u16string Str(const CString& text) { return Str(text.Get()); }
  static std::u16string Flag(bool flag) { return flag ? u"1" : u"0"; }
  static std::u16string Num(long long n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
  }

  void Record(const char* name, std::vector<std::u16string> args) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back({name, std::move(args)});
  }

  Answer Ask(Question question, std::vector<std::u16string> args, Answer refusal) const {
    Call call{Name(question), std::move(args)};
    Handler standing;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_calls.push_back(call);
      if (!m_script.empty() && m_script.front().first == question) {
        Answer a = std::move(m_script.front().second);
        m_script.pop_front();
        return a;
      }
      auto it = m_standing.find(question);
      if (it != m_standing.end()) standing = it->second;
    }
    if (standing) return standing(call);
    std::string args8;
    for (const std::u16string& arg : call.args) {
      args8 += args8.empty() ? "" : ", ";
      for (char16_t unit : arg) args8 += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    ADD_FAILURE() << "unscripted question " << call.name << "(" << args8 << ")"
                  << (m_script.empty() ? std::string()
                                       : std::string("; the script expected ") +
                                             Name(m_script.front().first) + " next");
    return refusal;
  }

  mutable std::mutex m_mutex;
  mutable std::vector<Call> m_calls;
  mutable std::deque<std::pair<Question, Answer>> m_script;
  std::map<Question, Handler> m_standing;
  int m_total = 0;
};

}  // namespace testsupport
