#pragma once

#include "pkg/IPkgStream.h"

namespace pkg {

// The stream base: a standard input-output stream whose buffer the zip
// stream supplies. Because std::iostream is a virtual base, the most derived
// stream constructs it and installs its buffer with rdbuf().
class BasePkgStream : public IPkgStream {
 public:
  BasePkgStream();
  ~BasePkgStream() override;
};

}  // namespace pkg
