#include "platform/os/ColonPath.h"

#include "platform/os/Utf.h"

namespace platform {

namespace {

std::nullopt_t refuse(PathRefusal* why, PathRefusal r) {
  if (why) *why = r;
  return std::nullopt;
}

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t pos = s.find(sep, start);
    if (pos == std::string::npos) {
      parts.push_back(s.substr(start));
      return parts;
    }
    parts.push_back(s.substr(start, pos - start));
    start = pos + 1;
  }
}

// The components of an absolute POSIX path after lexical normalisation.
std::vector<std::string> normalisedComponents(const std::string& path) {
  std::vector<std::string> out;
  for (const auto& c : split(path, '/')) {
    if (c.empty() || c == ".") continue;
    if (c == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back(c);
  }
  return out;
}

std::string swapped(std::string s, char from, char to) {
  for (char& c : s)
    if (c == from) c = to;
  return s;
}

}  // namespace

const char* describe(PathRefusal refusal) {
  switch (refusal) {
    case PathRefusal::None:
      return "no error";
    case PathRefusal::NotAbsolute:
      return "the path is not absolute";
    case PathRefusal::UnknownVolume:
      return "the path names an unknown volume";
    case PathRefusal::EmptyComponent:
      return "the path has an empty component";
    case PathRefusal::DotComponent:
      return "the path has a \".\" or \"..\" component";
    case PathRefusal::NulCharacter:
      return "the path contains a NUL character";
    case PathRefusal::BadEncoding:
      return "the path is not valid Unicode text";
    case PathRefusal::NoVolume:
      return "the path lies on no known volume";
  }
  return "unknown path error";
}

std::optional<std::string> colonToPosix(std::u16string_view colon,
                                        const std::vector<Volume>& volumes, PathRefusal* why) {
  if (colon.find(u'\0') != std::u16string_view::npos) return refuse(why, PathRefusal::NulCharacter);
  auto utf8 = utf16ToUtf8(colon);
  if (!utf8) return refuse(why, PathRefusal::BadEncoding);

  size_t firstColon = utf8->find(':');
  std::string volumeName = utf8->substr(0, firstColon);
  if (volumeName.empty()) return refuse(why, PathRefusal::NotAbsolute);

  const Volume* volume = nullptr;
  for (const auto& v : volumes)
    if (v.name == volumeName) {
      volume = &v;
      break;
    }
  if (volume == nullptr)
    for (const auto& v : volumes)
      if (equalsIgnoringAsciiCase(v.name, volumeName)) {
        volume = &v;
        break;
      }
  if (volume == nullptr) return refuse(why, PathRefusal::UnknownVolume);

  std::string result = volume->mountPoint;
  while (result.size() > 1 && result.back() == '/') result.pop_back();
  if (why) *why = PathRefusal::None;
  if (firstColon == std::string::npos) return result;

  std::vector<std::string> components = split(utf8->substr(firstColon + 1), ':');
  bool folder = components.back().empty();
  if (folder) components.pop_back();
  for (const auto& c : components) {
    if (c.empty()) return refuse(why, PathRefusal::EmptyComponent);
    if (c == "." || c == "..") return refuse(why, PathRefusal::DotComponent);
    if (result.back() != '/') result += '/';
    result += swapped(c, '/', ':');
  }
  if (folder && result.back() != '/') result += '/';
  return result;
}

std::optional<std::u16string> posixToColon(std::string_view posix,
                                           const std::vector<Volume>& volumes, PathRefusal* why) {
  if (posix.find('\0') != std::string_view::npos) return refuse(why, PathRefusal::NulCharacter);
  if (posix.empty() || posix[0] != '/') return refuse(why, PathRefusal::NotAbsolute);
  if (!utf8ToUtf16(posix)) return refuse(why, PathRefusal::BadEncoding);

  std::string path(posix);
  std::vector<std::string> components = normalisedComponents(path);
  std::string last = split(path, '/').back();
  bool folder = last.empty() || last == "." || last == "..";

  const Volume* volume = nullptr;
  size_t volumeDepth = 0;
  for (const auto& v : volumes) {
    if (v.name.empty() || v.mountPoint.empty() || v.mountPoint[0] != '/') continue;
    std::vector<std::string> mount = normalisedComponents(v.mountPoint);
    if (mount.size() > components.size()) continue;
    if (volume != nullptr && mount.size() <= volumeDepth) continue;
    bool prefix = true;
    for (size_t i = 0; i < mount.size() && prefix; ++i) prefix = mount[i] == components[i];
    if (prefix) {
      volume = &v;
      volumeDepth = mount.size();
    }
  }
  if (volume == nullptr) return refuse(why, PathRefusal::NoVolume);

  std::string colon = volume->name + ":";
  for (size_t i = volumeDepth; i < components.size(); ++i) {
    if (i > volumeDepth) colon += ':';
    colon += swapped(components[i], ':', '/');
  }
  if (folder && components.size() > volumeDepth) colon += ':';
  auto result = utf8ToUtf16(colon);
  if (!result) return refuse(why, PathRefusal::BadEncoding);
  if (why) *why = PathRefusal::None;
  return result;
}

std::optional<std::string> colonToPosix(std::u16string_view colon, PathRefusal* why) {
  return colonToPosix(colon, PlatformConfig::current().volumes, why);
}

std::optional<std::u16string> posixToColon(std::string_view posix, PathRefusal* why) {
  return posixToColon(posix, PlatformConfig::current().volumes, why);
}

}  // namespace platform
