#pragma once

#include "app/CBrioCommand.h"
#include "messaging/ArborTalk.h"
#include "messaging/MsgHandler.h"

// The program's messaging instance: made by the pump command once the
// library is set up, and deleted by the library's context when it stops.
extern Velt::ArborTalk* g_AKInstance;

// Takes the messages the program receives: each body is a command line for
// the movie.
class myMsgHandler : public Velt::ArborTalk::MsgHandler {
 public:
  int handleMessage(int reason, Velt::ArborTalk::Message& message, Velt::VtString* answer) override;
};

// "externalPumpArborTalkMessage" [id]: lets the messaging library deliver
// and send what is queued. It never answers; the movie calls it again
// whenever it wants messages pumped.
class CPumpArborTalkMessageCommand : public CBrioCommand {
 public:
  // The program's own name for the library: the start-up sets the library
  // up under it, so the instance takes the name of the library's context.
  static constexpr char kSpecifier[] = "plexo-5.0";

  CPumpArborTalkMessageCommand();
  const char* getCommandName() const override { return "externalPumpArborTalkMessage"; }
  const char* getCommandCBName() const override { return "brioCallBack"; }
  bool parseArguments() override { return true; }
  void execute() override;

  // Makes the program's instance with its handler when the library is set
  // up and has none yet; the instance, or null without a library.
  static Velt::ArborTalk* ensureInstance();
};
