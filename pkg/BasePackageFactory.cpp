#include "pkg/BasePackageFactory.h"

#include <string_view>
#include <vector>

#include "pkg/PackageException.h"

namespace pkg {

BasePackageFactory::BasePackageFactory()
    : m_separator("/"), m_dot("."), m_schemaSeparator(":"), m_anchor("#") {
  for (const std::string* s : {&m_separator, &m_dot, &m_schemaSeparator, &m_anchor}) {
    if (s->size() != 1) throw PackageException(kPkgErrBadArgument);
  }
}

BasePackageFactory::~BasePackageFactory() = default;

std::string BasePackageFactory::canonicalize(const std::string& path, bool keepAnchor) const {
  if (path.empty()) throw PackageException(kPkgErrBadArgument);
  const char separator = m_separator[0];
  if (path.size() == 1 && path[0] == separator) return path;

  const char dot = m_dot[0];
  const char anchor = m_anchor[0];
  auto isDot = [dot](std::string_view s) { return s.size() == 1 && s[0] == dot; };
  auto isDotDot = [dot](std::string_view s) { return s.size() == 2 && s[0] == dot && s[1] == dot; };

  std::string_view whole(path);
  std::vector<std::string_view> kept;
  kept.reserve(10);
  size_t segmentStart = 0;
  bool anchored = false;
  for (size_t i = 0; i < whole.size(); ++i) {
    char c = whole[i];
    if (c == anchor) {
      // The anchor ends the scan: the rest of the path is one final slice.
      kept.push_back(whole.substr(segmentStart));
      anchored = true;
      break;
    }
    if (c != separator) continue;
    std::string_view segment = whole.substr(segmentStart, i - segmentStart);
    if (isDotDot(segment)) {
      if (!kept.empty()) kept.pop_back();
    } else if (!segment.empty() && !isDot(segment)) {
      kept.push_back(whole.substr(segmentStart, i - segmentStart + 1));
    }
    segmentStart = i + 1;
  }
  if (!anchored) {
    std::string_view last = whole.substr(segmentStart);
    if (isDotDot(last)) {
      if (!kept.empty()) kept.pop_back();
    } else if (!last.empty() && !isDot(last)) {
      kept.push_back(last);
    }
  }

  if (kept.empty()) return m_separator;
  std::string result;
  if (keepAnchor && path[0] == separator) result += separator;
  for (std::string_view slice : kept) result.append(slice);
  return result;
}

}  // namespace pkg
