#include "validator/NimbrelLog.h"

#include <cstdio>

namespace nimbrel {

void nimbrelLog(const std::string& text) {
  std::fprintf(stderr, "Nimbrel: %s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace nimbrel
