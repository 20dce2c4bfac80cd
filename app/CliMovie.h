#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/CliOptions.h"
#include "platform/tamb/Movie.h"
#include "platform/tamb/Tamb.h"

namespace platform {
class LineReader;
}
namespace tamb {
class MainLoop;
}

// The movie of real runs ("movie = cli" in Plexo.qmv): it makes the program
// a command-line tool. It answers the start-up hand-shake from the command
// line, turns the command line into the program's external calls, answers
// the program's questions from options (or, in interactive runs, from lines
// of standard input read on a thread of its own), prints results and
// notices on standard output and errors on standard error, and asks the
// program to exit with the run's exit code.
//
// Settings of the movie file: "locales", the comma-separated locale codes
// the movie offers (default en_US).
class CliMovie final : public tamb::Movie {
 public:
  // The exit code of a command line that can't be read.
  static constexpr int kBadOptionsExit = 2;
  // The name under which the movie answers the program's requests.
  static constexpr const char* kAnswerName = "externalCallBack";

  // One host product as the program lists it.
  struct Product {
    std::string name;
    std::string family;
    std::string version;
    std::string installFolder;  // POSIX
    std::string group;
    std::string store;  // POSIX, empty when the product has none
    int bit = 0;        // 0 any, 1 for 32, 2 for 64
  };
  // One installed extension found in a product's store (or the one a
  // package holds, without a product).
  struct Installed {
    std::string product;
    std::string name;
    std::string version;
    std::string descriptionFile;  // "name.kxi"
    std::string id;
  };
  // What a yes/no question that replaces an installed extension is about.
  struct Replacement {
    enum class Kind {
      kNone,       // no such question
      kUpdate,     // the same extension, newer
      kSame,       // the same extension, the same version
      kDowngrade,  // the same extension, older
      kOther,      // another extension under the same description file
    };
    Kind kind = Kind::kNone;
    std::string name;       // the extension, or the one installed (kOther)
    std::string installed;  // its version (the installed one's name for kOther)
    std::string incoming;   // the package's version (its extension's name for kOther)
    std::string descriptionFile;
    // For kOther, the ids of the two when they are known.
    std::string installedId;
    std::string incomingId;
  };

  struct Streams {
    std::ostream* out;
    std::ostream* err;
    // Standard input of interactive runs; -1 for none.
    int inputFd;
  };

  CliMovie(tamb::MovieSettings settings, tamb::MainLoop& loop, Streams streams);
  ~CliMovie() override;

  void start(tamb::MovieHost& host) override;
  tamb::Value invoke(const tamb::Invocation& call) override;

  // Registers the movie as "cli" with the program's main loop and the
  // process's standard streams.
  static void registerMovie();
  // Which calls of the program take commands (the command factory's unless
  // a test says otherwise).
  void setCommandCheck(std::function<bool(const std::string& name)> check) {
    m_commandCheck = std::move(check);
  }

  // Whether the product supports a product element of a description: its
  // name or family equals the element's name ignoring case, its version
  // lies within the bounds (an open bound excludes its own value, an empty
  // one admits all) and the bits agree (0 admits any).
  static bool supports(const Product& product, const std::string& kxiName,
                       const std::string& minVersion, const std::string& maxVersion, bool minOpen,
                       bool maxOpen, int bit);
  // Whether text is the format (with %s and %d places) filled in.
  static bool matchesFormat(const std::string& text, const std::string& format);
  // The same, with the texts that fill the places.
  static bool readFormat(const std::string& text, const std::string& format,
                         std::vector<std::string>& values);
  // Whether path lies in folder or is it (lexically, POSIX).
  static bool isInside(const std::string& path, const std::string& folder);
  // The product entries of an answer to "externalGetSupportedProducts",
  // from its element 2 on; the texts of error entries go to errors.
  static std::vector<Product> readProducts(const std::vector<std::string>& answer,
                                           std::vector<std::string>* errors = nullptr);
  // The extensions whose descriptions lie in the store folder (POSIX), in
  // name order.
  static std::vector<Installed> readStore(const std::string& product, const std::string& store);
  // The name, version and id of a description file; false when it is none.
  static bool readDescription(const std::string& path, Installed& out);
  // The description a package holds (or the description given itself),
  // unpacked as the program unpacks it; false when it can't be read.
  static bool readPackageDescription(const std::string& package, Installed& out);
  // Whether a question of the program replaces what is installed, and how:
  // the same extension (same name and id) in a newer, the same or an older
  // version, or another one under the same description file. installed
  // holds what the products' stores hold; incoming the package's extension
  // (null when it can't be read).
  static Replacement judgeReplacement(const std::string& text, const std::string& sameStoreFile,
                                      const std::string& replaceEnabled,
                                      const std::string& disableOther,
                                      const std::vector<Installed>& installed,
                                      const Installed* incoming);
  // Why a folder was not taken as a host installation.
  static std::string importRefusal(const std::string& folder);
  // Writes a description for a stand-alone bundle package from the
  // bundle's manifest; false, with a reason, when it can't.
  static bool writeStandaloneDescription(const std::string& manifest,
                                         const std::string& description,
                                         const std::string& packageName, std::string& error);

 private:
  using Reply = std::function<void(const std::vector<std::string>& values)>;
  struct Question;

  // Calls to the program.
  void send(const std::string& name, const std::vector<std::string>& values);
  void request(const std::string& name, std::vector<std::string> values, Reply reply);
  void answer(const std::string& id, const std::vector<std::string>& values);

  // The hand-shake and the runs.
  void handOver(const std::string& line, bool fromArguments);
  void runNext();
  void run(const CliOptions& options);
  void withProducts(std::function<void()> then);
  // The engine knows the installed extensions only once it has loaded them.
  void withInstalled(std::function<void()> then);
  void finish(int code);
  void exitProgram();

  void install(const CliOptions& options);
  void actOnInstalled(const CliOptions& options, const char* call, const char* doneVerb);
  void package(const CliOptions& options);
  void convert(const CliOptions& options);
  void listProducts();
  void listInstalled(const CliOptions& options);

  // The program's questions.
  void question(const std::vector<std::string>& args);
  void messageBox(const std::string& id, unsigned type, const std::string& text);
  void promptFolder(const std::string& id, const std::string& title, const std::string& folder);
  void confirmLicence(const std::string& id, const std::string& heading);
  void chooseLocale(const std::string& id, const std::vector<std::string>& args);
  void progress(const std::vector<std::string>& args);
  // A yes/no question that replaces an installed extension.
  void replace(const std::string& id, const std::string& text, const Replacement& r);
  Replacement replacementOf(const std::string& text);
  // Interactive runs: the question waits for a line of input.
  void ask(const std::string& prompt, std::function<void(const std::string& line, bool eof)> then);
  void inputLine(const std::string& line, bool eof);

  void notice(const std::string& text);
  void error(const std::string& text);
  std::string licenceText() const;
  std::string format(unsigned id) const;
  const Product* product(const std::string& name) const;

  tamb::MovieSettings m_settings;
  tamb::MainLoop& m_loop;
  Streams m_streams;
  tamb::MovieHost* m_host = nullptr;
  std::function<bool(const std::string&)> m_commandCheck;

  std::map<std::string, Reply> m_replies;
  uint64_t m_nextId = 1;

  bool m_startupSeen = false;
  CliOptions m_startup;
  std::deque<CliOptions> m_queue;
  bool m_running = false;
  bool m_exiting = false;
  CliOptions m_current;
  int m_exitCode = 0;
  std::vector<Product> m_products;
  std::vector<std::string> m_productErrors;
  bool m_productsRead = false;
  bool m_installedLoaded = false;
  int m_lastProgress = -1;
  // The extension the current install brings, read when a question needs
  // it.
  bool m_incomingRead = false;
  bool m_hasIncoming = false;
  Installed m_incoming;

  // Interactive input: the reader, and the question waiting for a line.
  std::unique_ptr<platform::LineReader> m_reader;
  std::deque<std::pair<std::string, bool>> m_lines;
  std::function<void(const std::string&, bool)> m_waiting;
  bool m_inputEnded = false;
};
