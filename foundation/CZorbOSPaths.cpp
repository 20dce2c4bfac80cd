// CZorbOS: colon paths to POSIX paths and back, for everything that leaves
// for or arrives from a POSIX interface.

#include <string>
#include <string_view>

#include "foundation/CZorbOS.h"
#include "foundation/CZorbOSFileHelpers.h"
#include "foundation/FSRefCache.h"
#include "foundation/Logger.h"
#include "platform/os/FileRef.h"
#include "platform/os/MacStatus.h"
#include "platform/os/Utf.h"

using namespace zorbos;

namespace {

// The source these lines name in the log, the same for every path
// conversion so that a reader can find them all.
constexpr const char* kLogSource = "MacPathConvert";

void LogFatal(const std::string& message, int line) {
  Logger::write(Logger::kFatal, message, kLogSource, line);
}

bool ConvertColonToPosix(const CString& folder, CString& posix, bool log) {
  if (folder.GetLength() == 0) return false;
  // Only where nothing is: an existing file converts as it is.
  if (!CZorbOS::DirectoryExists(folder) && !CZorbOS::FileExists(folder) &&
      !CZorbOS::IsFileSymbolicLink(folder)) {
    if (!CZorbOS::CreateDirectory(folder, true)) {
      if (log) LogFatal("create directory failed", 187);
      return false;
    }
  }
  platform::FSRef ref;
  if (!GetFSRefCached(folder, ref)) return false;
  auto wide = platform::utf8ToUtf16(ref.path);
  if (!wide) return false;
  posix = FromU16(*wide);
  return true;
}

// Paths from the movie carry the five XML entities. Each is decoded once,
// left to right: "&amp;lt;" is the text "&lt;", so a name holding entity
// text comes out as it was written.
std::u16string DecodeEntities(const std::u16string& text) {
  static const struct {
    std::u16string_view entity;
    char16_t unit;
  } kEntities[] = {
      {u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&quot;", u'"'}, {u"&apos;", u'\''},
  };
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    bool decoded = false;
    if (text[i] == u'&') {
      for (const auto& e : kEntities) {
        if (text.compare(i, e.entity.size(), e.entity) == 0) {
          out += e.unit;
          i += e.entity.size();
          decoded = true;
          break;
        }
      }
    }
    if (!decoded) out += text[i++];
  }
  return out;
}

std::string SwapColonAndSlash(std::string name) {
  for (char& c : name) {
    if (c == ':')
      c = '/';
    else if (c == '/')
      c = ':';
  }
  return name;
}

}  // namespace

bool CZorbOS::convertPathWithNoLog(const CString& folder, CString& posix) {
  return ConvertColonToPosix(folder, posix, false);
}

bool CZorbOS::convertPath(const CString& folder, CString& posix) {
  return ConvertColonToPosix(folder, posix, true);
}

bool CZorbOS::convertPath(const std::u16string& posix, CString& path, bool logErrors) {
  const std::u16string text = DecodeEntities(posix);

  const auto utf8 = platform::utf16ToUtf8(text);
  if (!utf8 || utf8->empty() || (*utf8)[0] != '/') {
    if (logErrors) {
      LogFatal("the source path is not correct:", 90);
      LogFatal(utf8 ? *utf8 : std::string("(not valid UTF-16)"), 91);
    }
    return false;
  }
  if (utf8->find('\0') != std::string::npos) return false;

  // Lexically first: "." and empty names go, ".." takes one name back, so
  // the missing rest can never climb out of the folder that is found.
  std::vector<std::string> names;
  size_t start = 1;
  while (start <= utf8->size()) {
    size_t slash = utf8->find('/', start);
    if (slash == std::string::npos) slash = utf8->size();
    const std::string name = utf8->substr(start, slash - start);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    start = slash + 1;
  }

  // The deepest existing item, and the names below it that do not exist yet.
  size_t existing = names.size();
  platform::FSRef ref;
  for (;;) {
    std::string candidate = "/";
    for (size_t i = 0; i < existing; ++i) candidate = platform::joinPath(candidate, names[i]);
    if (platform::resolvePath(candidate, ref) == platform::noErr) break;
    if (existing == 0) return false;
    --existing;
  }
  CString result = GetFilePathFromFSRef(ref);
  if (result.GetLength() == 0) return false;
  for (size_t i = existing; i < names.size(); ++i) {
    const auto name = platform::utf8ToUtf16(SwapColonAndSlash(names[i]));
    if (!name) return false;
    if (!EndsWithColon(result)) result += u':';
    result += FromU16(*name);
  }
  path = result;
  return true;
}
