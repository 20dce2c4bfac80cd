#pragma once

#include <string>
#include <vector>

namespace platform {

// The localisations of a bundle: the names of its
// Contents/Resources/<name>.lproj folders, sorted. Empty when it has none.
std::vector<std::string> bundleLocalizations(const std::string& bundlePath);

// The localisations of available the user prefers, best first: for each
// of the user's preferred languages the one of that name (case and "-"
// against "_" aside), else one of its language part ("fr" for "fr_CA").
// Without any match: "en" when available has it, else available's first.
std::vector<std::string> preferredLocalizations(const std::vector<std::string>& available);
// The same over a given list of preferred languages (tests).
std::vector<std::string> preferredLocalizationsFor(const std::vector<std::string>& available,
                                                   const std::vector<std::string>& preferred);

}  // namespace platform
