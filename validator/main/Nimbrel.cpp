// Nimbrel: validates the signatures of packages for the program, through
// the validation component that lies beside it (see README.md).
#include <cstdio>
#include <string>
#include <vector>

#include "validator/NimbrelAppDelegate.h"

int main(int argc, char** argv) {
  return nimbrel::NimbrelMain(std::vector<std::string>(argv, argv + argc), stdout);
}
