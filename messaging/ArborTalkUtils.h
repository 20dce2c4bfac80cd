#pragma once

#include <cstdint>

#include "messaging/ArborTalk.h"
#include "messaging/VtHeap.h"
#include "messaging/VtString.h"
#include "messaging/VtVector.h"

namespace Velt {
class ArborTalkConnector;
class BaseInterAppStream;
}  // namespace Velt

// Digests, the per-user identity, file and time helpers of the library.
namespace Velt::ArborTalkUtils {

// Makes the platform services ready. Everything the library uses is linked
// in, so this always succeeds.
bool setup();
// Called at the start and end of the library; nothing to do.
void init();
void exit();

// The digest of a message text under this user's key.
VtString getMD5(const VtString& text);
// SHA-1 of key + "+" + text + "+" + key, each byte in upper-case hex
// without leading zero ("%X"); empty when no digest can be made.
VtString getDigest(const VtString& text, const VtString& key);

// This user's id (from the file "userid" of the user's folder).
VtString getUserID();
VtString getSecurityID();
VtString getSignature();
// Identifies the sending process: "localhost:mac" and the process id.
VtString getSenderID();

// The per-user value stored in the named file of "<home>/.vesko": read when
// the file exists, otherwise made from random bytes and stored. Of several
// processes making it at once, all end up with the value of the one that
// stored it first. Empty without a home folder; not cached.
VtString getID(const char* name);
// 16 random bytes in the digest's hex form; empty when the system has no
// random bytes to give.
VtString createRandomValue();

bool fileExists(const VtString& path);
// False when the file does not exist or cannot be removed.
bool deleteFile(const VtString& path);
// True at once when the path exists; otherwise makes the folder (0771).
bool mkdir(const VtString& path);
bool rmdir(const VtString& path);

const char* getFolderSeparator();

// The path an alias (a symbolic link) at path points to, chains followed;
// path itself when it is no alias, its target cannot be found or it is over
// 1,024 bytes.
VtString resolveAlias(const VtString& path);
// Makes aliasPath an alias of targetPath (taken from the current folder when
// relative). The target must exist, and the folder of aliasPath too; an
// item at aliasPath is replaced. True on success.
bool createAlias(const VtString& aliasPath, const VtString& targetPath);

// The user's locale in lower case, such as "en_us" (at most 15 bytes): the
// language the settings force, else the C library's locale for messages;
// "en_us" when there is none.
VtString getCurrentLocale();
// The folder where launch markers lie:
// "<shared application data>/Vesko/Launch".
VtString getLaunchFolderPath();

// A new connector of that name for the application: "PDB" (also for an
// empty name and "default") is the product-database connector. Null for
// other names and for a connector that cannot load its registry.
ArborTalkConnector* createConnector(const VtString& appName, const VtString& name);

// Time helpers; all read the platform clock.
void sleep(uint32_t ms);
// Milliseconds since 1970-01-01 UTC, with the sub-second part.
double getUTCTimeMilliSeconds();
// Seconds since 1970-01-01 UTC.
uint32_t getTimeSeconds();
// The local time of time (now when null) as "HH:MM:SS".
VtString getTimeString(const uint32_t* time = nullptr);

// Sets the header to value as decimal text; nothing for an empty name.
void setHeader(ArborTalk::Message& message, const char* name, int32_t value);

// Splits text at space, '=', ';', '"', '\'' and ':' (empty pieces are
// skipped), appends each piece to out and returns out's length. The caller
// owns the appended strings.
int32_t parseOptions(const VtString& text, VtVector<VtString>& out);

// name + "_" + n for the smallest n from 1 for which no launch marker
// "<launch folder>/<name>_n" exists, when "<launch folder>/<name>" exists;
// else name.
VtString getNextAppInstance(const VtString& name);

// Reads one diagnostics line "path;kind;label;value;" at line (up to the
// next line feed). Returns where the next line starts, the end of the text
// after a last line without line feed, and null for a malformed line or at
// the end of the text.
const char* parseInfoLine(const char* line, VtString& path, VtString& label, VtString& value,
                          bool& heading);

// Hands the message's diagnostics records to the main instance's handler of
// message type key (a forwarder installed by a ping); true when it took
// them.
bool forwardMessage(const ArborTalk::Message& message, const VtString& key, const VtString& root,
                    const VtString& label);
// Logs the message when the current context's logging is on: to the debug
// output and, through the main instance, as a "Log" message.
void logMessage(const char* reason, const ArborTalk::Message& message, bool full);
void logText(const VtString& text);

// Asks the background thread of target (or of every registered application
// for "allRunningApps") for the value of key, or writes it ("KEY=value").
// answered (may be null) counts the targets that gave a real answer.
// Pings of this process run one at a time.
VtString ping(const VtString& target, bool isRequest, const VtString& key, uint32_t serial,
              int32_t timeoutSeconds, const VtString* value, int32_t* answered);
// Sends one ping message through stream and waits up to its timeout for the
// answer of its target.
VtString pingMsg(ArborTalk::Message& message, BaseInterAppStream* stream);

// Measures milliseconds of the platform clock's calendar time.
class Timer : public VtHeap {
 public:
  ~Timer() override;
  static double now();
  void start();
  double stop() const;

 private:
  double mStart = 0;
};

}  // namespace Velt::ArborTalkUtils

namespace Velt {

// Reads the whole file into a new buffer from the library allocator, which
// the caller frees with VtHeap::freeHeap; a NUL follows the size bytes.
// Returns 0 or an errno value (ENOMEM when the buffer cannot be had).
int readFile(const VtString& path, char*& data, uint32_t& size);
// Creates or empties the file (0600 when new) and writes the bytes; 0 or an
// errno value.
int writeFile(const VtString& path, const char* data, uint32_t size);

}  // namespace Velt
