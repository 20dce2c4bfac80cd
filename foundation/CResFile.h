#pragma once

#include "foundation/CFile.h"

// A CFile on the resource fork of its file.
class CResFile : public CFile {
 public:
  CResFile() = default;
  [[nodiscard]] int32_t GetForkName(platform::HFSUniStr255& name) override;
};
