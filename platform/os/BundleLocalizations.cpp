#include "platform/os/BundleLocalizations.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/os/PreferredLanguages.h"

namespace platform {

namespace {

constexpr char kLprojSuffix[] = ".lproj";
// A bundle lists few localisations; a hostile one is not read further.
constexpr size_t kMaxLocalizations = 1024;

std::string normalized(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name)
    out += c == '-' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string languagePart(const std::string& name) {
  return name.substr(0, name.find('_'));
}

void addOnce(std::vector<std::string>& list, const std::string& name) {
  if (std::find(list.begin(), list.end(), name) == list.end()) list.push_back(name);
}

}  // namespace

std::vector<std::string> bundleLocalizations(const std::string& bundlePath) {
  std::vector<std::string> names;
  std::error_code ec;
  const std::filesystem::path resources =
      std::filesystem::path(bundlePath) / "Contents" / "Resources";
  std::filesystem::directory_iterator it(resources, ec);
  for (; !ec && it != std::filesystem::directory_iterator() && names.size() < kMaxLocalizations;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const size_t suffix = sizeof(kLprojSuffix) - 1;
    if (name.size() <= suffix || name.compare(name.size() - suffix, suffix, kLprojSuffix) != 0)
      continue;
    std::error_code typeError;
    // A link does not make a localisation.
    if (!it->is_directory(typeError) || it->is_symlink(typeError)) continue;
    names.push_back(name.substr(0, name.size() - suffix));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> preferredLocalizationsFor(const std::vector<std::string>& available,
                                                   const std::vector<std::string>& preferred) {
  std::vector<std::string> out;
  for (const std::string& wanted : preferred) {
    const std::string key = normalized(wanted);
    auto match = std::find_if(available.begin(), available.end(),
                              [&](const std::string& a) { return normalized(a) == key; });
    if (match == available.end())
      match = std::find_if(available.begin(), available.end(), [&](const std::string& a) {
        return normalized(a) == languagePart(key);
      });
    if (match != available.end()) addOnce(out, *match);
  }
  if (out.empty() && !available.empty()) {
    const auto english = std::find(available.begin(), available.end(), "en");
    out.push_back(english != available.end() ? *english : available.front());
  }
  return out;
}

std::vector<std::string> preferredLocalizations(const std::vector<std::string>& available) {
  return preferredLocalizationsFor(available, preferredLanguages());
}

}  // namespace platform
