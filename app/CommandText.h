#pragma once

#include <string>

#include "foundation/CString.h"

class CZorbPlexar;

// Texts of the movie's calls: arguments arrive as UTF-8, the engine works
// in UTF-16. Malformed UTF-8 gives the empty text rather than an exception,
// so a command still answers.
CString commandText(const std::string& utf8);
std::string commandUtf8(const CString& text);
// The message of a string-table id formatted with one text.
CString commandMessage(unsigned int id, const CString& argument);

// The engine the operation commands run; null when the program has none.
CZorbPlexar* commandEngine();
