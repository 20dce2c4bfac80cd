// Nimbrel: validates the signatures of packages for the program, through
// the validation component that lies beside it (see README.md). The request
// comes on standard input (see ValidationRequest.h).
#include <cstdio>
#include <string>
#include <vector>

#include "validator/NimbrelAppDelegate.h"
#include "validator/ValidationRequest.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments{argc > 0 ? argv[0] : ""};
  if (argc > 1) {
    std::fputs("Nimbrel: the request is read from standard input; arguments are not taken\n",
               stderr);
    return nimbrel::kExitRequest;
  }
  std::string reason;
  if (!nimbrel::ValidationRequest::read(stdin, arguments, &reason)) {
    std::fprintf(stderr, "Nimbrel: %s\n", reason.c_str());
    return nimbrel::kExitRequest;
  }
  return nimbrel::NimbrelMain(arguments, stdout);
}
