#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/CBrioCommand.h"
#include "foundation/CString.h"

class CZorbExtensionProduct;
class CZorbPlexar;

// "externalInstallExtension" [id, product name, package path (POSIX, with
// XML entities), time-out]: installs a package into the named host. When
// the product does not fit, the other primary products of the description
// are tried in turn. Replies [id, "0", product name, description file name,
// five texts per product that failed first] or [id, "2"].
class CInstallExCommand : public CBrioCommand {
 public:
  const char* getCommandName() const override { return "externalInstallExtension"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override;
  void execute() override;

  const CString& productName() const { return m_productName; }
  const CString& packagePath() const { return m_packagePath; }
  int32_t timeOut() const { return m_timeOut; }

 private:
  // Appends name, version, maximum version, platform and bit.
  static void AppendFailed(std::vector<std::string>& list, const CString& name,
                           const CString& version, const CString& maxVersion, int32_t platform,
                           int32_t bit);

  CString m_productName;
  CString m_packagePath;
  int32_t m_timeOut = 0;
};
