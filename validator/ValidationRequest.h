#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "validator/SignatureValidator.h"

namespace nimbrel {

// Nimbrel's request protocol. The program runs Nimbrel without arguments
// and writes these texts to its standard input, each followed by a zero
// byte, then ends it (a name may be longer than a command line can hold):
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
  // A request larger than this is refused unread: far more than a name and
  // a few paths take.
  static constexpr size_t kMaxRequestBytes = 64u << 20;
  // Names in the answer's sentences are cut to this many bytes.
  static constexpr size_t kMaxNameBytes = 200;

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

  // Reads the texts of a request from input up to its end and appends them
  // to texts. False, with a reason, for a request larger than
  // kMaxRequestBytes, one whose last text lacks its zero byte, or a read
  // error.
  static bool read(std::FILE* input, std::vector<std::string>& texts, std::string* reason);

  // Control characters (line ends among them) become blanks.
  static std::string oneLine(const std::string& text);
  // A UTF-8 text longer than limit bytes keeps its start and its end, with
  // "…" in place of the middle, and never a character cut in two.
  static std::string shortened(const std::string& text, size_t limit = kMaxNameBytes);
};

}  // namespace nimbrel
