#pragma once

#include <string>
#include <vector>

#include "validator/SignatureValidator.h"

namespace nimbrel {

// Nimbrel's request protocol. The program runs Nimbrel with these
// arguments:
//   <suppress> 0 <name> <package>                  a package
//   <suppress> 1 <name> <id> <folder> [<id> <folder> ...]  unpacked bundles
// where <suppress> is "0" in suppress mode and "1" otherwise, and <name> is
// the extension's name. The answer, one text per line:
//   0  "0" when every package or bundle is valid (perhaps with warnings),
//      "1" otherwise
//   1  "1" when the valid answer carries warnings for the user, else "0"
//   2  n, the number of packages or bundles
//   then four texts for each: its name (the extension's name for a
//   package, the id for a bundle), "1" when signed else "0", the
//   publisher, the certificate type (see SignatureVerdict)
//   then the warnings or reasons, "<name>: <sentence>." each
// No text holds a line end or another control character.
class ValidationRequest {
 public:
  struct Item {
    std::string name;
    std::string path;
  };

  // False, with a reason, for arguments that are not a request.
  static bool parse(const std::vector<std::string>& arguments, std::vector<Item>& items,
                    std::string* reason);

  // The answer texts for the arguments.
  static std::vector<std::string> answer(const std::vector<std::string>& arguments,
                                         const SignatureValidator& validator);

  // Control characters (line ends among them) become blanks.
  static std::string oneLine(const std::string& text);
};

}  // namespace nimbrel
