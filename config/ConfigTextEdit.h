#pragma once

#include <cstddef>
#include <string>

#include "foundation/CString.h"

class CZorbTextConfigFile;
class CZorbXmlFile;

// Search-and-splice editing of a host's text configuration file. The text
// is searched on a lower-cased mirror that keeps every unit in its place,
// so positions found there are valid in the text itself. A line ends with
// a carriage return, a line feed, or both; new lines take the file's own
// line end (its first one, else a carriage return).
namespace cfgtext {

struct Work {
  std::u16string text;
  std::u16string lower;
  std::u16string eol;

  // Replaces [at, at + count) by with and refreshes the mirror.
  void Splice(size_t at, size_t count, const std::u16string& with);
};

// The file as a text file, or null.
CZorbTextConfigFile* AsTextFile(CZorbXmlFile* file);
// Loads the content into work; a content that does not end with a line end
// gets one (an empty one stays empty).
void Prepare(const CZorbTextConfigFile& file, Work& work);
void Store(CZorbTextConfigFile& file, const Work& work);

std::u16string ToU16(const CString& text);
// Unit for unit, so the length never changes.
std::u16string Lowered(const std::u16string& text);
bool IsLineEnd(char16_t ch);
// The first line end at or after from (text.size() when none).
size_t LineEnd(const std::u16string& text, size_t from);
// The units of the line end at pos (2 for CR LF, else 1; 0 at the end).
size_t LineEndLength(const std::u16string& text, size_t pos);
size_t LineStart(const std::u16string& text, size_t pos);

}  // namespace cfgtext
