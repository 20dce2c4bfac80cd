#include "app/HelpCommand.h"

#include <string>

#include "app/CommandText.h"
#include "foundation/CStartupCLIParser.h"
#include "foundation/Logger.h"
#include "platform/help/VeskoHelpClient.h"

namespace {

constexpr char kApplicationKey[] = "Plexar_3.0";
constexpr char kHomePage[] = "GB_HOME";

void log(Logger::Level level, const std::string& text, int line) {
  Logger::write(level, text, __FILE__, line);
}

void helpLine(const std::string& line) {
  log(Logger::kDebug, line, __LINE__);
}

}  // namespace

void HelpCommand::execute() {
  platform::help::setLogSink(&helpLine);
  CStartupCLIParser* parser = CStartupCLIParser::getInstance();
  if (parser == nullptr) return;
  CString locale = parser->getLocaleCode();
  log(Logger::kError, commandUtf8(locale), __LINE__);
  if (locale.GetLength() == 0) locale = u"en_us";

  // One byte a unit, cut to the buffer: a longer code cannot be one the
  // help client knows.
  char code[kLocaleBytes] = {};
  for (int32_t i = 0; i < locale.GetLength() && static_cast<size_t>(i) + 1 < kLocaleBytes; ++i)
    code[i] = static_cast<char>(locale.GetAt(i) & 0xFF);

  if (InitializeVeskoHelpClient(kApplicationKey, code, 0) != 0) {
    log(Logger::kError, "Could not initialize help client library", __LINE__);
    return;
  }
  const int32_t result = DisplayVeskoHelpClientPage(kHomePage);
  struct Outcome {
    Logger::Level level;
    const char* text;
  };
  static const Outcome kOutcomes[] = {
      {Logger::kDebug, "Launch help Success"},
      {Logger::kDebug, "There is an error reported launching the Vesko Guidebook application"},
      {Logger::kDebug, "There is an error reported launching the default browser"},
      {Logger::kError, " Invalid argument supplied "},
      {Logger::kError, nullptr},
      {Logger::kError, nullptr},
      {Logger::kError, "Invalid initialization "},
      {Logger::kError, " PageID does not exist "},
      {Logger::kError, "The online URL prefix is invalid "},
      {Logger::kError, "Not allowed to go online"},
      {Logger::kError, "Not connected to internet"},
      {Logger::kError, "Un-expected result"},
  };
  constexpr int32_t kKnown = static_cast<int32_t>(sizeof(kOutcomes) / sizeof(kOutcomes[0]));
  if (result < 0 || result >= kKnown) {
    log(Logger::kError, "UnKnown error ", __LINE__);
    return;
  }
  if (kOutcomes[result].text != nullptr)
    log(kOutcomes[result].level, kOutcomes[result].text, __LINE__);
}
