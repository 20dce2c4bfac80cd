#pragma once

namespace Velt {

// Receives the full text of every debug alert.
using DebugAlertFunc = void (*)(const char* text);

// Installs the alert function; null removes it.
void setDebugAlertFunc(DebugAlertFunc func);
DebugAlertFunc getDebugAlertFunc();

// Reports a programming error and carries on: the text goes to the installed
// alert function, or to standard error when none is installed. It never stops
// the process. The text is cut to 255 bytes.
void debugAlert(const char* message, const char* file, int line);

// Writes text to the library's debug output (standard error).
void debugStr(const char* text);

bool isDebugging();

// Stops in the debugger when one is attached; does nothing otherwise.
void debugBreak();

}  // namespace Velt

#define VT_DEBUG_ALERT(message) ::Velt::debugAlert((message), __FILE__, __LINE__)
