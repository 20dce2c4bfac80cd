#pragma once

#include "foundation/CZorbString.h"

// A folder given by its colon path, with or without a final ":".
class CZorbFolder : public CZorbString {
 public:
  using CZorbString::CZorbString;
  using CZorbString::operator=;
  CZorbFolder() = default;
  CZorbFolder(const CString& other) : CZorbString(other) {}
  CZorbFolder(const CZorbFolder& other) = default;
  CZorbFolder& operator=(const CZorbFolder& other) = default;
  ~CZorbFolder() override;

  // True when the folder lists nothing; a missing folder counts as empty.
  bool IsEmpty() const;
  // The path before the last component, without a final ":"; empty when
  // there is none (Disk:A:B: and Disk:A:B both give Disk:A).
  CZorbFolder GetParentFolder() const;
  // Creates the folder and its missing parents.
  [[nodiscard]] bool Create() const;
};
