#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Hooks of the runtime for tests: failures the real runtime can have and a
// record of script exceptions that no code caught.
namespace ulp::testing {

// UlpInitialize answers this code (0: it works).
void setInitializeResult(int32_t code);
// Stages can't be made.
void setStageFails(bool fails);
// Script exceptions that reached the run loop uncaught, and the last one's
// text.
size_t uncaughtScriptErrors();
std::string lastUncaughtScriptError();
// Back to a working runtime with nothing recorded.
void reset();

// What the runtime itself uses.
int32_t initializeResult();
bool stageFails();
void recordUncaught(const std::string& text);

}  // namespace ulp::testing
