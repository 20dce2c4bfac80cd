#pragma once

#include <cstdint>

#include "foundation/CString.h"
#include "platform/os/FourCharCode.h"
#include "products/CZorbLoomwrightVersions.h"

// The development tool Tessel Builder. It was built on version 7 of the
// web host and takes the same extensions, configuration files and folder
// layout; only names, signature and the executable differ. The support
// rule for its own name lives in CZorbLoomwright::Supports.
class CZorbTesselBuilder1 : public CZorbLoomwright7 {
 public:
  static constexpr uint32_t kSignature = platform::fourCC("TslB");

  CZorbTesselBuilder1();
  uint32_t GetAppSignature() const override;
  virtual uint32_t GetAppSignatureVersion() const;
  void GetVersionAsString(CString& out) const override;
  void GetExecutablePackageName(CString& out) const override;
  void GetExecutableFileName(CString& out) const override;
  void GetDebugExecutableFileName(CString& out) const override;
  bool SupportsMultiUser() const override;
  bool SupportsMultiUserAdmin() const override;
};

// Tessel Builder 1.5.
class CZorbTesselBuilder1_5 : public CZorbTesselBuilder1 {
 public:
  CZorbTesselBuilder1_5();
  void GetVersionAsString(CString& out) const override;
  void GetExecutableFileName(CString& out) const override;
};
