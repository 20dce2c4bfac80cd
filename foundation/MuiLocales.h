#pragma once

#include <string>
#include <vector>

// Choosing the UI language: the locales the program supports, ordered by
// the languages the user prefers.

// Moves the first entry at or after start that matches name (the same full
// name when exact, else the same parent) to start, the entries between
// moving one place on. False when start lies beyond the entries or nothing
// matches.
bool PromoteLanguage(std::vector<std::string>& locales, size_t start, const char* name, bool exact);

// Reorders the locales by the user's preferred languages and returns how
// many of them, at the front, the preferences placed; the others keep
// their order.
size_t MuiSortLocalesPerUserPreference(std::vector<std::string>& locales);
// The same by an explicit preference list.
size_t MuiSortLocalesByPreferences(std::vector<std::string>& locales,
                                   const std::vector<std::string>& preferences);

// Replaces the user's preferred languages for the rest of the process by
// these; an empty list removes an earlier replacement.
void MuiForceOrderOfOsLocales(const std::vector<std::string>& locales);

// The user's preferred languages as the sort sees them: the replacement
// when there is one, else the system's.
std::vector<std::string> MuiUserPreferredLocales();

// Kept for callers that expect them; the platform shows every language.
void MuiRemoveUnsupportedLocales(std::vector<std::string>& locales);
void MuiForceOsAnsiCP();

// Messages in the best language for the user: the localised resources
// cannot be loaded; the system's language is not supported (the latter
// judged by the application's own locales).
std::u16string MuiGetLocaleUnavailableErrorMessage();
std::u16string MuiGetUnsupportedSystemLocaleErrorMessage(std::vector<std::string> appLocales);
