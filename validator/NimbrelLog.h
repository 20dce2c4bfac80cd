#pragma once

#include <string>

namespace nimbrel {

// A line in the system log: Nimbrel's standard error, which the program
// that runs it passes on.
void nimbrelLog(const std::string& text);

}  // namespace nimbrel
