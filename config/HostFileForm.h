#pragma once

#include <cstdint>
#include <string>

#include "foundation/CString.h"

// The form of a host's configuration file that a save keeps, so that an
// install and an uninstall give the host its bytes back: its line end,
// whether it starts with a byte-order mark, whether its last line ends.
// A file the program makes itself has the default form: carriage
// returns, a mark, a final line end.
class HostFileForm {
 public:
  // Reads the form of the file at path (a colon path). False, with the
  // default form, when the file cannot be read.
  bool Read(const char16_t* path);

  // The document text that a model built with carriage returns (and line
  // feeds inside texts), in this form: every line end becomes the file's
  // own, and a final one goes when the file had none.
  void Apply(CString& text) const;
  // Only the final line end: for text that already holds the file's own
  // line ends.
  void ApplyFinalLineEnd(CString& text) const;

  // The encoding the mark announced; meaningful only when m_mark is set.
  uint32_t m_markEncoding = 0;
  bool m_mark = true;
  bool m_finalLineEnd = true;
  // CR, LF or CR LF: the file's first line end (CR when it has none).
  std::u16string m_lineEnd = u"\r";
};
