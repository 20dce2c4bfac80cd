#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "support/any_regular_t.h"
#include "support/vector.h"

// One call of the movie carried out on the worker thread, or one request of
// the program to the movie. Argument 0 is the request id. The arguments are
// first the call's own, then, after each question to the movie, the movie's
// answer ([id, values...]).
//
// A command made for a call of the movie belongs to the worker's queue and
// is deleted once it has run; nothing keeps a pointer to it afterwards.
class CBrioCommand {
 public:
  using ArgumentVector = vesko::vector<vesko::any_regular_t>;

  CBrioCommand() = default;
  virtual ~CBrioCommand() = default;
  CBrioCommand(const CBrioCommand&) = delete;
  CBrioCommand& operator=(const CBrioCommand&) = delete;

  // The name of the call, and the name under which the command answers
  // and asks ("brioCallBack" as a rule).
  virtual const char* getCommandName() const = 0;
  virtual const char* getCommandCBName() const = 0;
  // Main thread, before the command is queued; false drops the command.
  virtual bool parseArguments() = 0;
  // Worker thread; sends the command's own reply.
  virtual void execute() = 0;

  void setRequestId(const std::string& id) { m_requestId = id; }
  const std::string& getRequestId() const { return m_requestId; }
  void setArguments(const ArgumentVector& args) { m_arguments = args; }
  const ArgumentVector& getArguments() const { return m_arguments; }
  size_t argumentCount() const { return m_arguments.size(); }
  // The text of argument i; empty when there is none or it is no string.
  std::string argumentText(size_t i) const;

  // Whether the last wait for the movie ended without an answer: the
  // program is shutting down. The arguments are then only [id].
  bool isCancelled() const { return m_cancelled; }
  void setCancelled(bool cancelled) { m_cancelled = cancelled; }

  // Runs the command on the worker: it becomes the current command of the
  // UI adapter while execute() runs. An exception is logged, not passed on.
  void doComand();

  // Posts an OK/Cancel question [id, "8", type, text] without waiting.
  void onSendOKCancelMsg(std::string& text, unsigned int type);
  // Posts a folder prompt [id, "6", a, b] without waiting.
  void onSendPromptFolderMsg(const std::string& a, const std::string& b);
  // Posts a confirmation [id, "7", a, b] without waiting.
  void onProcessAcceptMessage(std::string& a, std::string& b);

  // Read the answer to each kind of question. A cancelled wait gives Cancel
  // (2), false and false.
  int onRecvOKCancelMsg();
  bool OnConfirmLegalMsg();
  bool onHandlePromptMsg(std::string& folder);

  // The questions with their waits: the id is registered before the
  // question is posted, so an answer can't arrive unseen.
  int askOKCancel(std::string text, unsigned int type);
  bool askConfirmation(std::string a, std::string b);
  bool askFolder(const std::string& a, const std::string& b, std::string& folder);

  // Sends [id, values...] under the callback name without waiting.
  void sendReply(const std::vector<std::string>& values) const;

 protected:
  std::string m_requestId;
  ArgumentVector m_arguments;
  bool m_cancelled = false;
};

// Builds an argument vector of strings.
CBrioCommand::ArgumentVector makeArguments(const std::vector<std::string>& strings);
