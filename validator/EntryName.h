#pragma once

#include <string>
#include <string_view>

namespace nimbrel {

// Whether a name inside signed content stays inside it: relative, with no
// empty, "." or ".." part, no backslash and no zero byte. A folder's name
// may end in "/".
bool isSafeEntryName(std::string_view name);

// A relative URI reference turned into an entry name: percent escapes
// decoded. False when it has a scheme, a query or a fragment, or a broken
// escape.
bool entryNameOfUri(std::string_view uri, std::string& name);

}  // namespace nimbrel
