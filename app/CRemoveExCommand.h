#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/CBrioCommand.h"
#include "foundation/CString.h"

class CZorbExtension;
class CZorbPlexar;
class CZorbProduct;

// "externalRemoveExtension" [id, product name, second text, description
// file name, version, time-out]: removes one installed extension from one
// host product. The enable and disable commands share its arguments and
// its reply: "0" done, "1" product or extension not found, "2" the
// operation failed.
class CRemoveExCommand : public CBrioCommand {
 public:
  enum Result : int { kDone = 0, kNotFound = 1, kFailed = 2 };

  const char* getCommandName() const override { return "externalRemoveExtension"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override;
  void execute() override;

  // Sends [id, the result's digit].
  void SetResponse(Result result) const;

  const CString& productName() const { return m_productName; }
  const CString& secondText() const { return m_secondText; }
  const CString& descriptionFileName() const { return m_descriptionFileName; }
  const CString& version() const { return m_version; }
  int32_t timeOut() const { return m_timeOut; }

 protected:
  // The words of one command's logs.
  struct Words {
    const char* productNotFound;
    const char* extensionNotFound;
    const char* failed;
    bool failedIsError;
  };
  // The engine operation on the found product and extension; 0 success.
  using Operation = std::function<int(CZorbPlexar&, CZorbProduct*, CZorbExtension*)>;
  // Finds product and extension, runs the operation and replies.
  void Run(const Words& words, const Operation& operation);
  // The installed, supported product of exactly that name, searched from
  // the last registered; never "Emberly 4" or "Emberly 3".
  CZorbProduct* MatchProduct(CZorbPlexar& engine) const;

 public:
  // The same for any name; the install command matches its product so.
  static CZorbProduct* MatchProduct(CZorbPlexar& engine, const CString& name);
  // A time-out argument in seconds; none, 0, letters or out of range give
  // the default of 30, which is logged for the operation.
  static int32_t ReadTimeOut(const std::string& text, const char* operation);

 protected:
  CString m_productName;
  CString m_secondText;
  CString m_descriptionFileName;
  CString m_version;
  int32_t m_timeOut = 0;
};
