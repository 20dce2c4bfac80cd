#include "app/CTAMBControllerUI.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "app/CBrioCommand.h"
#include "app/CRequestIdManager.h"
#include "app/CTAMBFrontController.h"
#include "app/IEngine.h"
#include "foundation/AppGlobals.h"
#include "foundation/CZorbOS.h"
#include "foundation/Logger.h"
#include "platform/os/Process.h"
#include "platform/os/Utf.h"

namespace {

constexpr size_t kTempPathUnits = 2048;

void logLine(Logger::Level level, const std::string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

// Texts go to the movie as UTF-8; an unpaired surrogate can't stop a
// question.
std::string utf8(const char16_t* text) {
  return text ? platform::utf16ToUtf8Lossy(std::u16string_view(text)) : std::string();
}
std::string utf8(const CString& text) {
  return platform::utf16ToUtf8Lossy(
      std::u16string_view(text.Get(), static_cast<size_t>(text.GetLength())));
}

std::string joined(const CZorbTypedVector<CString>& texts) {
  std::string out;
  for (const CString& t : texts) {
    if (!out.empty()) out += ", ";
    out += utf8(t);
  }
  return out;
}

}  // namespace

bool CTAMBControllerUI::noCommand(const char* question) const {
  if (m_currentCommand) return false;
  logLine(Logger::kError, std::string(question) + " asked without a running command", __LINE__);
  return true;
}

bool CTAMBControllerUI::ask(const std::vector<std::string>& values) const {
  std::vector<std::string> frame;
  frame.reserve(values.size() + 1);
  frame.push_back(m_currentCommand->getRequestId());
  frame.insert(frame.end(), values.begin(), values.end());
  return CRequestIdManager::getInstance()->SendCallbackAndWait(m_currentCommand,
                                                               makeArguments(frame));
}

void CTAMBControllerUI::post(const std::vector<std::string>& values) const {
  std::vector<std::string> frame;
  frame.reserve(values.size() + 1);
  frame.push_back(m_currentCommand->getRequestId());
  frame.insert(frame.end(), values.begin(), values.end());
  CTAMBFrontController::getInstance()->sendCallbackMessage(m_currentCommand->getCommandCBName(),
                                                           makeArguments(frame));
}

int CTAMBControllerUI::MessageBox(const char16_t* text, unsigned int type, bool log) const {
  const std::string message = utf8(text);
  if (type == kNotice && log) {
    logLine(Logger::kError, message, __LINE__);
    if (IEngine* engine = CTAMBFrontController::m_manager) engine->SetLastErrorText(CString(text));
    if (g_isInSuppressMode) {
      std::fputs(message.c_str(), stderr);
      std::fputs("\n", stderr);
    }
  }
  if (!m_currentCommand) {
    if (type == kYesNo) return kAnswerYes;
    if (type == 6 || type == kExistingItem) return kAnswerOverwriteAll;
    return 11;
  }
  std::string shown = message;
  for (char& c : shown)
    if (c == '<' || c == '>') c = '\'';
  if (!ask({"8", std::to_string(type), shown})) return type == kYesNo ? kAnswerNo : kAnswerCancel;
  return m_currentCommand->onRecvOKCancelMsg();
}

bool CTAMBControllerUI::ConfirmInstall(const char16_t* first, const char16_t* second) const {
  if (noCommand("ConfirmInstall")) return false;
  ask({"7", utf8(first), utf8(second)});
  return m_currentCommand->OnConfirmLegalMsg();
}

bool CTAMBControllerUI::PromptForFolder(CString title, CString defaultFolder, bool /*flag*/,
                                        CString& chosen) const {
  if (!m_currentCommand) return false;
  logLine(Logger::kDebug, "Prompt a folder to install the specified file", __LINE__);
  CString posix;
  if (!CZorbOS::convertPath(defaultFolder, posix)) {
    logLine(Logger::kFatal, "the default prompt folder is not existing", __LINE__);
    char16_t temp[kTempPathUnits] = {};
    CZorbOS::GetTempPath(temp, kTempPathUnits);
    if (!CZorbOS::convertPath(CString(temp), posix)) {
      logLine(Logger::kFatal, "the temp path is not existing", __LINE__);
      posix.Empty();
    }
  }
  ask({"6", utf8(title), utf8(posix)});
  std::string folder;
  if (!m_currentCommand->onHandlePromptMsg(folder)) return false;
  CString wide;
  CZorbOS::ansiCharToCString(folder.c_str(), wide);
  return CZorbOS::convertPath(std::u16string(wide.Get(), static_cast<size_t>(wide.GetLength())),
                              chosen, true);
}

bool CTAMBControllerUI::PromptForLocale(CString productName, CString extensionName,
                                        CZorbTypedVector<CString> locales, CString& chosen) const {
  chosen.Empty();
  if (noCommand("PromptForLocale")) return false;
  std::vector<std::string> values{"10", utf8(productName), utf8(extensionName)};
  for (const CString& locale : locales) values.push_back(utf8(locale));
  if (!ask(values)) return false;
  const CBrioCommand& answer = *m_currentCommand;
  if (answer.argumentCount() < 2 || answer.argumentText(1) != "0" || answer.argumentCount() != 3) {
    logLine(Logger::kError, "Receive error arguments on responding select locale message",
            __LINE__);
    return false;
  }
  CZorbOS::ansiCharToCString(answer.argumentText(2).c_str(), chosen);
  logLine(Logger::kDebug, "The chosen locale is " + answer.argumentText(2), __LINE__);
  return true;
}

bool CTAMBControllerUI::CreateKXIFromStandaloneWBXS(CString folder, CString packageName,
                                                    CString third) const {
  if (noCommand("CreateKXIFromStandaloneWBXS")) return false;
  if (!ask({"101", utf8(folder), utf8(packageName), utf8(third)})) return false;
  if (m_currentCommand->argumentCount() == 2 && m_currentCommand->argumentText(1) == "0")
    return true;
  logLine(Logger::kError, "Receive error arguments on responding create kxi message", __LINE__);
  return false;
}

void CTAMBControllerUI::ShowProgress(const char16_t* /*title*/, const char16_t* /*text*/,
                                     bool /*flag*/) {
  m_currProgress = 0;
  logLine(Logger::kDebug, "Show progress", __LINE__);
}

void CTAMBControllerUI::SetProgressCount(int total) {
  logLine(Logger::kDebug, "SetProgressCount:" + std::to_string(total), __LINE__);
  m_totalProgressCount = total;
}

void CTAMBControllerUI::UpdateProgress(int index) {
  UpdateProgressWithPriProductCount(index, -1);
}

void CTAMBControllerUI::UpdateProgressWithPriProductCount(int index, int primaryCount) {
  if (!m_currentCommand) return;
  if (m_totalProgressCount <= 0) {
    // Nothing to measure against: no progress is shown.
    logLine(Logger::kDebug, "Progress without a total is not sent", __LINE__);
    return;
  }
  int64_t percent = static_cast<int64_t>(index) * 100 / m_totalProgressCount;
  if (percent > INT_MAX) percent = INT_MAX;
  if (percent < INT_MIN) percent = INT_MIN;
  const int progress = static_cast<int>(percent);
  logLine(Logger::kDebug,
          "Update index:" + std::to_string(index) + ", progress:" + std::to_string(progress) +
              ", primaryProductCount:" + std::to_string(primaryCount),
          __LINE__);
  if (progress == m_currProgress) return;
  m_currProgress = progress;
  std::vector<std::string> values{"9", std::to_string(progress)};
  if (primaryCount != -1) values.push_back(primaryCount == 0 ? "1" : std::to_string(primaryCount));
  post(values);
}

void CTAMBControllerUI::HideProgress() {
  if (!m_currentCommand) return;
  m_currProgress = 0;
  logLine(Logger::kDebug, "Hide progress", __LINE__);
  post({"9", "100"});
}

bool CTAMBControllerUI::GetInstallType(AdminInstallType& /*type*/) {
  return true;
}

bool CTAMBControllerUI::Supports(CString productName, CString kxiProductName, CString kxiVersion,
                                 CString kxiMaxVersion, bool minOpen, bool maxOpen, int mode) {
  if (noCommand("Supports")) return false;
  const char* modeText = mode == 1 ? "1" : mode == 2 ? "2" : "0";
  if (!ask({"5", utf8(productName), utf8(kxiProductName), utf8(kxiVersion), utf8(kxiMaxVersion),
            minOpen ? "1" : "0", maxOpen ? "1" : "0", modeText}))
    return false;
  if (m_currentCommand->argumentCount() < 2) {
    logLine(Logger::kError, "No answer to the supports question: taken as not supported", __LINE__);
    return false;
  }
  const std::string answer = m_currentCommand->argumentText(1);
  logLine(Logger::kDebug, "Supports answer: " + answer, __LINE__);
  return std::strtol(answer.c_str(), nullptr, 10) == 0;
}

namespace {

// Where Nimbrel lies inside the program's bundle, from the application
// folder; empty when that folder lies in no bundle.
std::string nimbrelPath() {
  static constexpr std::string_view kContents = "/Contents/";
  const size_t at = gAppPath.rfind(kContents);
  if (at == std::string::npos) return std::string();
  return gAppPath.substr(0, at + kContents.size() - 1) +
         "/MacOS/Nimbrel.app/Contents/MacOS/Nimbrel";
}

// The lines of the answer: each line feed ends one; what follows the last
// is not a line.
std::vector<std::string> answerLines(const std::string& output) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(output.substr(start, end - start));
  return lines;
}

// The count line as atoi reads it, without its overflow: leading blanks, a
// sign, digits; anything else ends the number. Clamped far beyond any count
// the lines can hold.
int64_t countOf(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || (line[i] >= '\t' && line[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
  int64_t value = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
    value = std::min<int64_t>(value * 10 + (line[i] - '0'), INT32_MAX);
  return negative ? -value : value;
}

}  // namespace

bool CTAMBControllerUI::validation(CZorbTypedVector<CString> input,
                                   CZorbTypedVector<CString>& output) const {
  std::string request = "to request brio to validation: ";
  for (const CString& text : input) request += " " + utf8(text) + ";";
  logLine(Logger::kDebug, request, __LINE__);

  const std::string nimbrel = nimbrelPath();
  if (nimbrel.empty()) {
    logLine(Logger::kError, "Signature validation: the program lies in no bundle: " + gAppPath,
            __LINE__);
    return false;
  }

  // The request goes on Nimbrel's standard input, each text ended by a
  // zero byte: a name may be longer than a command line can hold.
  platform::SpawnOptions options;
  options.arguments.push_back(nimbrel);
  std::string& texts = options.input;
  texts += g_isInSuppressMode ? "0" : "1";
  texts += '\0';
  for (const CString& text : input) {
    const std::string bytes = utf8(text);
    if (bytes.find('\0') != std::string::npos) {
      logLine(Logger::kError, "Signature validation: a text to check holds a zero character",
              __LINE__);
      return false;
    }
    texts += bytes;
    texts += '\0';
  }
  // Read while it runs, so a long answer can't fill the pipe and stall
  // both sides; one that never ends is stopped.
  options.timeoutMs = kValidationTimeoutMs;
  options.maxOutputBytes = kMaxValidationAnswerBytes;
  const platform::SpawnResult run = platform::runProcess(options);

  if (run.startError != 0) {
    logLine(
        Logger::kError,
        "Signature validation could not start " + nimbrel + ": " + std::strerror(run.startError),
        __LINE__);
    return false;
  }
  if (!run.errorOutput.empty()) logLine(Logger::kDebug, "Nimbrel: " + run.errorOutput, __LINE__);
  if (run.timedOut) {
    logLine(Logger::kError,
            "Signature validation did not finish within " +
                std::to_string(kValidationTimeoutMs / 1000) + " s and was stopped.",
            __LINE__);
    return false;
  }
  if (run.signal != 0) {
    logLine(Logger::kError,
            "Signature validation failed. Ended by signal " + std::to_string(run.signal), __LINE__);
    return false;
  }
  if (run.exitCode != 0) {
    logLine(Logger::kError,
            "Signature validation failed. Exit code = " + std::to_string(run.exitCode), __LINE__);
    return false;
  }
  if (run.output.empty()) {
    logLine(Logger::kError, "Signature validation returned null data.", __LINE__);
    return false;
  }
  if (run.outputTruncated) {
    logLine(Logger::kError, "Signature validation returned more than the answer may hold.",
            __LINE__);
    return false;
  }

  const std::vector<std::string> lines = answerLines(run.output);
  if (lines.size() < 3) {
    logLine(Logger::kError, "Argument count of responding validation message is less then 3.",
            __LINE__);
    return false;
  }
  const int64_t count = countOf(lines[2]);
  // Where the warnings or reasons start, when the count fits the lines.
  const bool countFits = count >= 1 && 3 + 4 * count <= static_cast<int64_t>(lines.size());
  if (lines[0] != "0") {
    logLine(Logger::kError, "Signature validation failed.", __LINE__);
    for (size_t i = countFits ? static_cast<size_t>(3 + 4 * count) : 3; i < lines.size(); ++i)
      logLine(Logger::kError, "Signature validation: " + lines[i], __LINE__);
    return false;
  }
  if (lines.size() < 7) {
    logLine(Logger::kError, "Argument count of responding validation message is less then 7.",
            __LINE__);
    return false;
  }
  if (!countFits) {
    logLine(Logger::kError,
            "Signature validation answered " + lines[2] + " signatures in " +
                std::to_string(lines.size()) + " lines.",
            __LINE__);
    return false;
  }

  const size_t warningsAt = static_cast<size_t>(3 + 4 * count);
  for (size_t i = 3; i < warningsAt; ++i) {
    CString text;
    CZorbOS::ansiCharToCString(lines[i].c_str(), text);
    output.push_back(text);
    logLine(Logger::kDebug, "Signature validation: " + lines[i], __LINE__);
  }
  if (lines[1] != "1") return true;
  if (g_isInSuppressMode) return true;

  if (noCommand("The signature warning")) return false;
  std::vector<std::string> question{"102"};
  question.insert(question.end(), lines.begin() + static_cast<std::ptrdiff_t>(warningsAt),
                  lines.end());
  if (!ask(question)) return false;
  if (m_currentCommand->argumentCount() != 2) {
    logLine(Logger::kError,
            "Signature validation warning response is returned with wrong argument count.",
            __LINE__);
    return false;
  }
  return m_currentCommand->argumentText(1) == "0";
}

void CTAMBControllerUI::ShowRequiredProducts(CZorbTypedVector<CString> products) {
  if (noCommand("ShowRequiredProducts")) return;
  logLine(Logger::kDebug, "Show required products: " + joined(products), __LINE__);
  std::vector<std::string> values{"4"};
  for (const CString& product : products) values.push_back(utf8(product));
  if (!ask(values)) return;
  if (m_currentCommand->argumentCount() < 2)
    logLine(Logger::kDebug, "No answer to the required products", __LINE__);
  else
    logLine(Logger::kDebug, "Required products answer: " + m_currentCommand->argumentText(1),
            __LINE__);
}

int CTAMBControllerUI::ShowFailedPrimaryProduct(CString product) {
  if (noCommand("ShowFailedPrimaryProduct"))
    return CZorbPlexarUI::ShowFailedPrimaryProduct(product);
  logLine(Logger::kDebug, "Show failed primary product: " + utf8(product), __LINE__);
  if (!ask({"3", utf8(product)})) return kAnswerCancel;
  return m_currentCommand->onRecvOKCancelMsg();
}
