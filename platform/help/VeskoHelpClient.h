#pragma once

#include <cstdint>
#include <string>

// The help client the program opens its help with. Linux has none: the
// stand-in records the locale and the page it was asked for, hands a line
// to the log sink (when one is set) and succeeds.
int32_t InitializeVeskoHelpClient(const char* applicationKey, const char* locale, int32_t flags);
// 0 when shown; the closed client also answered 1 to 11 for its failures.
int32_t DisplayVeskoHelpClientPage(const char* pageId);

namespace platform::help {

// Where the stand-in's lines go; null (the default) drops them.
using LogSink = void (*)(const std::string& line);
void setLogSink(LogSink sink);

// What the stand-in was last asked (empty before), and the results it gives
// (0 unless a test sets others).
struct Record {
  std::string applicationKey;
  std::string locale;
  std::string page;
};
Record lastRecord();
void setResultsForTest(int32_t initializeResult, int32_t displayResult);
void resetForTest();

}  // namespace platform::help
