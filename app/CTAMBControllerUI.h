#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "transaction/CZorbPlexarUI.h"

class CBrioCommand;

// The engine's UI through the movie: each question goes out as
// "brioCallBack" [id of the running command, opcode, texts...] and the
// worker waits for the movie's answer; progress is posted without waiting.
// Every operation runs on the worker thread, inside the running command.
//
// When the program shuts down, every wait ends without an answer; the
// questions then answer Cancel, No or false.
class CTAMBControllerUI final : public CZorbPlexarUI {
 public:
  // How long Nimbrel may take over one validation before it is stopped,
  // on the program's clock.
  static constexpr uint32_t kValidationTimeoutMs = 5 * 60 * 1000;
  // Nimbrel's answer is a few short lines per package; more than this is
  // no answer.
  static constexpr size_t kMaxValidationAnswerBytes = 16u << 20;

  CTAMBControllerUI() = default;

  // The command being run; set while it runs, null between commands.
  void setCurrentCommand(CBrioCommand* cmd) { m_currentCommand = cmd; }
  CBrioCommand* currentCommand() const { return m_currentCommand; }

  int MessageBox(const char16_t* text, unsigned int type, bool log) const override;
  bool ConfirmInstall(const char16_t* first, const char16_t* second) const override;
  bool PromptForFolder(CString title, CString defaultFolder, bool flag,
                       CString& chosen) const override;
  bool PromptForLocale(CString productName, CString extensionName,
                       CZorbTypedVector<CString> locales, CString& chosen) const override;
  void ShowWaitCursor() override {}
  void HideWaitCursor() override {}
  bool CreateKXIFromStandaloneWBXS(CString folder, CString packageName,
                                   CString third) const override;
  void ShowProgress(const char16_t* title, const char16_t* text, bool flag) override;
  void SetProgressCount(int total) override;
  int getTotalProgressCount() override { return m_totalProgressCount; }
  void UpdateProgress(int index) override;
  void HideProgress() override;
  bool GetInstallType(AdminInstallType& type) override;
  bool Supports(CString productName, CString kxiProductName, CString kxiVersion,
                CString kxiMaxVersion, bool minOpen, bool maxOpen, int mode) override;
  // Runs Nimbrel, writes the suppress flag and the input to its standard
  // input (see validator/ValidationRequest.h), appends the four
  // texts of each signature it reports to output, and asks the person
  // (opcode "102") whether to accept a warning unless in suppress mode.
  // False when the package is not to be installed: Nimbrel can't start,
  // fails, runs past the time-out, or its answer is invalid or malformed.
  bool validation(CZorbTypedVector<CString> input,
                  CZorbTypedVector<CString>& output) const override;
  void ShowRequiredProducts(CZorbTypedVector<CString> products) override;
  int ShowFailedPrimaryProduct(CString product) override;
  void UpdateProgressWithPriProductCount(int index, int primaryCount) override;

 private:
  // Sends [id, values...] under the current command's callback name and
  // waits; false when the wait was cancelled. Needs a current command.
  bool ask(const std::vector<std::string>& values) const;
  // Posts [id, values...] without waiting.
  void post(const std::vector<std::string>& values) const;
  // Logs that a question came without a running command; true when so.
  bool noCommand(const char* question) const;

  CBrioCommand* m_currentCommand = nullptr;
  int m_totalProgressCount = 0;
  // The last percentage sent; a new progress run starts at 0.
  int m_currProgress = 0;
};
