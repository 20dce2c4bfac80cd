#include "app/CliMovie.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <system_error>
#include <utility>

#include "app/CCommandFactory.h"
#include "app/CTAMBFrontController.h"
#include "app/MovieConnection.h"
#include "foundation/CString.h"
#include "foundation/CZorbOS.h"
#include "foundation/CZorbTypedVector.h"
#include "foundation/CZorbVersionNumber.h"
#include "foundation/CZorbXmlPairs.h"
#include "foundation/StringUtil.h"
#include "package/CZorbPackage.h"
#include "package/CZorbPackageUtility.h"
#include "platform/os/AtomicFile.h"
#include "platform/os/LineReader.h"
#include "platform/os/PlatformConfig.h"
#include "platform/tamb/Invocation.h"
#include "platform/tamb/MainLoop.h"

namespace fs = std::filesystem;

namespace {

using Operation = CliOptions::Operation;

// Messages of the string tables the movie reads the program's questions by.
// The notices the program shows without marking them as errors: restarts,
// a package made, messages to hosts that could not be sent.
constexpr unsigned kPlainNotices[] = {4026, 4042, 4072, 4101, 4102, 4103, 4198, 4205, 4209, 4210};
constexpr unsigned kMsgSameStoreFile = 4017;
constexpr unsigned kMsgDisableOther = 4018;
constexpr unsigned kMsgOlderInstalled = 4020;
constexpr unsigned kMsgSameInstalled = 4021;
constexpr unsigned kMsgReplaceEnabled = 4181;
constexpr unsigned kMsgNoFolderChosen = 4099;
constexpr unsigned kMsgChooseFolder = 4106;

// Message box types and answers of the program's questions.
constexpr unsigned kNotice = 0;
constexpr unsigned kExistingItemDuringBundle = 1;
constexpr unsigned kYesNo = 4;
constexpr unsigned kRetryCancel = 5;
constexpr unsigned kExistingItem = 8;
constexpr unsigned kRetryWhileHostRuns = 257;
constexpr unsigned kQuitRunningHost = 258;
constexpr int kAnswerOk = 1;
constexpr int kAnswerCancel = 2;
constexpr int kAnswerRetry = 4;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;
constexpr int kAnswerOverwriteAll = 10;
constexpr int kAnswerGoOnWhileRunning = 104;
constexpr int kAnswerGoOnQuit = 201;

// Exit codes of the operations.
constexpr int kFailedExit = 1;
constexpr int kPackageFailedExit = 5;

// Store descriptions larger than this are not read for the list.
constexpr size_t kMaxDescriptionBytes = 4u << 20;
constexpr size_t kMaxStoreEntries = 100000;

const MessageEscapeCodec& codec() {
  return CTAMBFrontController::getInstance()->codec();
}

std::string lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool equalNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && lower(a) == lower(b);
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Paths travel with XML entities, which the program decodes.
std::string pathArgument(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '&')
      out += "&amp;";
    else if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else
      out += c;
  }
  return out;
}

std::string xmlAttribute(const std::string& text) {
  std::string out;
  tamb::appendXmlEscaped(out, text);
  return out;
}

std::string utf8(const CString& text) {
  std::string out;
  try {
    StringUtil::convertStringToSingle(text, out);
  } catch (const std::exception&) {
    out.clear();
  }
  return out;
}

CString wide(const std::string& text) {
  CString out;
  try {
    StringUtil::convertStringToWide(text, out);
  } catch (const std::exception&) {
    out.Empty();
  }
  return out;
}

CZorbVersionNumber versionOf(const std::string& text) {
  const CString w = wide(text);
  return CZorbVersionNumber(w.Get());
}

// The value of an attribute in the attribute text of an element; entities
// of the five kinds decoded.
std::string attributeValue(const std::string& attributes, const std::string& name) {
  size_t at = 0;
  while (at < attributes.size()) {
    const size_t found = attributes.find(name, at);
    if (found == std::string::npos) return {};
    size_t i = found + name.size();
    const bool startsWord = found == 0 || attributes[found - 1] == ' ' ||
                            attributes[found - 1] == '\t' || attributes[found - 1] == '\n' ||
                            attributes[found - 1] == '\r';
    while (i < attributes.size() && (attributes[i] == ' ' || attributes[i] == '\t')) ++i;
    if (!startsWord || i >= attributes.size() || attributes[i] != '=') {
      at = found + 1;
      continue;
    }
    ++i;
    while (i < attributes.size() && (attributes[i] == ' ' || attributes[i] == '\t')) ++i;
    if (i >= attributes.size() || (attributes[i] != '"' && attributes[i] != '\'')) return {};
    const char quote = attributes[i++];
    const size_t end = attributes.find(quote, i);
    if (end == std::string::npos) return {};
    std::string raw = attributes.substr(i, end - i);
    static const std::pair<const char*, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t k = 0; k < raw.size();) {
      bool replaced = false;
      if (raw[k] == '&') {
        for (const auto& [entity, ch] : kEntities) {
          if (raw.compare(k, std::string(entity).size(), entity) == 0) {
            out += ch;
            k += std::string(entity).size();
            replaced = true;
            break;
          }
        }
      }
      if (!replaced) out += raw[k++];
    }
    return out;
  }
  return {};
}

}  // namespace

CliMovie::CliMovie(tamb::MovieSettings settings, tamb::MainLoop& loop, Streams streams)
    : m_settings(std::move(settings)), m_loop(loop), m_streams(streams) {}

CliMovie::~CliMovie() {
  if (m_reader) m_reader->stop();
}

void CliMovie::registerMovie() {
  tamb::registerMovie("cli", [](const tamb::MovieSettings& settings) {
    return std::make_unique<CliMovie>(settings, MovieConnection::mainLoop(),
                                      Streams{&std::cout, &std::cerr, 0});
  });
}

// ---------------------------------------------------------------------------
// Calls between the movie and the program
// ---------------------------------------------------------------------------

void CliMovie::start(tamb::MovieHost& host) {
  m_host = &host;
  send("brioCallBackReady", {"c0"});
}

void CliMovie::send(const std::string& name, const std::vector<std::string>& values) {
  if (!m_host) return;
  std::vector<std::string> encoded;
  encoded.reserve(values.size());
  for (const std::string& v : values) encoded.push_back(codec().encode(v));
  m_host->externalCall(tamb::Invocation::of(name, encoded));
}

void CliMovie::request(const std::string& name, std::vector<std::string> values, Reply reply) {
  // A call no command takes would be read as an answer and never replied
  // to.
  const bool known =
      m_commandCheck ? m_commandCheck(name) : CCommandFactory::getInstance()->hasCommand(name);
  if (!known) {
    error("this Plexar can't carry out \"" + name + "\"");
    finish(kFailedExit);
    return;
  }
  const std::string id = "c" + std::to_string(m_nextId++);
  m_replies[id] = std::move(reply);
  values.insert(values.begin(), id);
  send(name, values);
}

void CliMovie::answer(const std::string& id, const std::vector<std::string>& values) {
  std::vector<std::string> all{id};
  all.insert(all.end(), values.begin(), values.end());
  send(kAnswerName, all);
}

tamb::Value CliMovie::invoke(const tamb::Invocation& call) {
  std::vector<std::string> args;
  for (const std::string& s : call.strings()) args.push_back(codec().decode(s));
  const std::string id = args.empty() ? std::string() : args[0];
  const std::string& name = call.name;

  if (name == "brioParseSuppress") {
    if (args.size() > 1) {
      m_startup = CliOptions::parseLine(args[1], args.size() > 3 && args[3] == "1");
      m_startupSeen = true;
    }
    answer(id, {m_startupSeen && m_startup.suppress() ? "0" : "1"});
  } else if (name == "brioGetLocaleList") {
    const auto it = m_settings.find("locales");
    answer(id, {"0", it == m_settings.end() || it->second.empty() ? "en_US" : it->second});
  } else if (name == "brioParseLocale") {
    CliOptions options;
    if (args.size() > 1)
      options = CliOptions::parseLine(args[1], args.size() > 3 && args[3] == "1");
    if (options.locale.empty())
      answer(id, {"1"});
    else
      answer(id, {"0", options.locale});
  } else if (name == "brioNotifyReady") {
    send("brioCommandLineRequestReady", {"c" + std::to_string(m_nextId++)});
  } else if (name == "brioEnableUI") {
    // Without a command line there is nothing to do but say how to use the
    // program; a line forwarded meanwhile comes right behind.
    if (!m_startupSeen)
      m_loop.post([this] {
        if (m_running || !m_queue.empty() || m_exiting) return;
        *m_streams.out << CliOptions::usage();
        m_streams.out->flush();
        exitProgram();
      });
  } else if (name == "brioHandleCommandLine") {
    if (args.size() > 1) handOver(args[1], args.size() > 3 && args[3] == "1");
  } else if (name == "brioParseXML") {
    CZorbXmlPairs::Pairs pairs;
    const CZorbXmlPairs::Answer read =
        CZorbXmlPairs::Read(wide(args.size() > 1 ? args[1] : std::string()),
                            wide(args.size() > 2 ? args[2] : std::string()), pairs);
    std::vector<std::string> values{std::to_string(static_cast<int>(read))};
    if (read == CZorbXmlPairs::kPairs)
      for (const auto& [key, value] : pairs) {
        values.push_back(utf8(key));
        values.push_back(utf8(value));
      }
    answer(id, values);
  } else if (name == "brioCallBack") {
    if (args.size() < 2) return {};
    const std::string& code = args[1];
    const auto waiting = m_replies.find(id);
    if (waiting != m_replies.end() && (code == "0" || code == "1" || code == "2")) {
      Reply reply = std::move(waiting->second);
      m_replies.erase(waiting);
      reply(args);
    } else {
      question(args);
    }
  } else if (name == "brioPostExit") {
    // The program is asked to end (a signal): a run cut short failed.
    if (m_running && m_exitCode == 0) m_exitCode = kFailedExit;
    exitProgram();
  }
  return {};
}

// ---------------------------------------------------------------------------
// Runs
// ---------------------------------------------------------------------------

void CliMovie::handOver(const std::string& line, bool fromArguments) {
  if (m_exiting) return;
  m_queue.push_back(CliOptions::parseLine(line, fromArguments));
  if (!m_running) runNext();
}

void CliMovie::runNext() {
  if (m_running || m_exiting) return;
  if (m_queue.empty()) {
    exitProgram();
    return;
  }
  CliOptions next = std::move(m_queue.front());
  m_queue.pop_front();
  m_running = true;
  run(next);
}

void CliMovie::run(const CliOptions& options) {
  m_current = options;
  m_lastProgress = -1;
  m_incomingRead = false;
  m_hasIncoming = false;
  m_incoming = Installed();
  if (!options.ok()) {
    error(options.error + " (Plexar --help shows how to use it)");
    finish(kBadOptionsExit);
    return;
  }
  if (options.interactive && !m_reader && m_streams.inputFd >= 0) {
    m_reader = std::make_unique<platform::LineReader>();
    const int32_t status =
        m_reader->start(m_streams.inputFd, [this](const std::string& line, bool eof) {
          m_loop.post([this, line, eof] { inputLine(line, eof); });
        });
    if (status != 0) m_inputEnded = true;
  }
  switch (options.operation) {
    case Operation::kHelp:
      *m_streams.out << CliOptions::usage();
      finish(0);
      return;
    case Operation::kNone:
      error("no operation given (Plexar --help shows how to use it)");
      finish(kBadOptionsExit);
      return;
    case Operation::kMigrate:
      request("externalMigratePreferredExtension", {}, [this](const std::vector<std::string>&) {
        notice("Migration finished.");
        finish(0);
      });
      return;
    case Operation::kImport:
      request("externalImportProduct", {pathArgument(options.arguments[0])},
              [this](const std::vector<std::string>& reply) {
                m_productsRead = false;
                m_installedLoaded = false;
                const std::string& folder = m_current.arguments[0];
                if (reply[1] != "0") {
                  error(folder + ": not imported: " + importRefusal(folder));
                  finish(kFailedExit);
                  return;
                }
                notice("Imported " + folder + ".");
                finish(0);
              });
      return;
    case Operation::kConvert:
      convert(options);
      return;
    default:
      break;
  }
  // What follows may ask which products support an extension.
  withProducts([this] {
    const CliOptions& o = m_current;
    if (!o.product.empty() && o.operation != Operation::kPackage && !product(o.product)) {
      error("no host product is called \"" + o.product + "\" (Plexar products lists them)");
      finish(kFailedExit);
      return;
    }
    switch (o.operation) {
      case Operation::kInstall:
        withInstalled([this] { install(m_current); });
        break;
      case Operation::kRemove:
        withInstalled([this] { actOnInstalled(m_current, "externalRemoveExtension", "Removed"); });
        break;
      case Operation::kEnable:
        withInstalled([this] { actOnInstalled(m_current, "externalEnableExtension", "Enabled"); });
        break;
      case Operation::kDisable:
        withInstalled(
            [this] { actOnInstalled(m_current, "externalDisableExtension", "Disabled"); });
        break;
      case Operation::kPackage:
        package(o);
        break;
      case Operation::kProducts:
        listProducts();
        break;
      case Operation::kList:
        listInstalled(o);
        break;
      default:
        finish(kFailedExit);
        break;
    }
  });
}

void CliMovie::withProducts(std::function<void()> then) {
  if (m_productsRead) {
    then();
    return;
  }
  request("externalGetSupportedProducts", {},
          [this, then = std::move(then)](const std::vector<std::string>& values) {
            m_productErrors.clear();
            m_products = readProducts(values, &m_productErrors);
            m_productsRead = true;
            then();
          });
}

void CliMovie::withInstalled(std::function<void()> then) {
  if (m_installedLoaded) {
    then();
    return;
  }
  request("externalLoadExtension", {},
          [this, then = std::move(then)](const std::vector<std::string>&) {
            m_installedLoaded = true;
            then();
          });
}

void CliMovie::finish(int code) {
  if (!m_running) return;
  if (m_exitCode == 0) m_exitCode = code;
  m_running = false;
  m_streams.out->flush();
  m_streams.err->flush();
  m_loop.post([this] { runNext(); });
}

void CliMovie::exitProgram() {
  if (m_exiting) return;
  m_exiting = true;
  if (m_reader) m_reader->stop();
  m_streams.out->flush();
  m_streams.err->flush();
  send("externalAppExit", {"c" + std::to_string(m_nextId++), std::to_string(m_exitCode)});
}

// ---------------------------------------------------------------------------
// Operations
// ---------------------------------------------------------------------------

void CliMovie::install(const CliOptions& o) {
  std::error_code ec;
  if (fs::is_directory(o.arguments[0], ec)) {
    error(o.arguments[0] +
          " is a folder, not a package: give a KXP or YXP package or a KXI "
          "description");
    finish(kFailedExit);
    return;
  }
  const std::string timeout = o.timeout.empty() ? "30" : o.timeout;
  request("externalInstallExtension", {o.product, pathArgument(o.arguments[0]), timeout},
          [this](const std::vector<std::string>& reply) {
            const std::string& package = m_current.arguments[0];
            if (reply[1] != "0" || reply.size() < 4) {
              error(package + ": the extension was not installed");
              finish(kFailedExit);
              return;
            }
            std::string text = "Installed " + reply[3] + " for " + reply[2] + ".";
            for (size_t i = 4; i + 5 <= reply.size(); i += 5) {
              const std::string& name = reply[i];
              const std::string& low = reply[i + 1];
              const std::string& high = reply[i + 2];
              text += "\n  (" + name + (low.empty() ? "" : " " + low) +
                      (high.empty() ? "" : " to " + high) + " did not take it)";
            }
            notice(text);
            finish(0);
          });
}

void CliMovie::actOnInstalled(const CliOptions& o, const char* call, const char* doneVerb) {
  const std::string wanted = o.arguments[0];
  std::vector<Installed> found;
  for (const Product& p : m_products) {
    if (!o.product.empty() && p.name != o.product) continue;
    if (p.store.empty()) continue;
    for (const Installed& e : readStore(p.name, p.store)) {
      const std::string bareFile = endsWith(lower(e.descriptionFile), ".kxi")
                                       ? e.descriptionFile.substr(0, e.descriptionFile.size() - 4)
                                       : e.descriptionFile;
      if (!equalNoCase(e.name, wanted) && !equalNoCase(e.descriptionFile, wanted) &&
          !equalNoCase(bareFile, wanted))
        continue;
      if (!o.version.empty() && versionOf(e.version).Compare(versionOf(o.version)) != 0) continue;
      found.push_back(e);
    }
  }
  if (found.empty()) {
    error("no installed extension \"" + wanted + "\"" +
          (o.product.empty() ? std::string() : " for " + o.product) +
          (o.version.empty() ? std::string() : " in version " + o.version) +
          " (Plexar list shows them)");
    finish(kFailedExit);
    return;
  }
  if (found.size() > 1) {
    std::string where;
    for (const Installed& e : found) where += "\n  " + e.product + ": " + e.name + " " + e.version;
    error("\"" + wanted + "\" names more than one installed extension; choose with --product" +
          std::string(" or --version:") + where);
    finish(kFailedExit);
    return;
  }
  const Installed target = found.front();
  const std::string timeout = o.timeout.empty() ? "30" : o.timeout;
  const std::string verb = doneVerb;
  request(call, {target.product, "", target.descriptionFile, target.version, timeout},
          [this, target, verb](const std::vector<std::string>& reply) {
            const std::string what =
                target.name + " " + target.version + " (" + target.product + ")";
            if (reply[1] == "0") {
              notice(verb + " " + what + ".");
              finish(0);
            } else {
              error(what + ": " + lower(verb) +
                    (reply[1] == "1" ? " found nothing to act on" : " failed"));
              finish(kFailedExit);
            }
          });
}

void CliMovie::package(const CliOptions& o) {
  std::string type = o.packageType;
  const std::string target = lower(o.arguments[1]);
  if (type.empty()) {
    if (endsWith(target, ".kxp")) type = "kxp";
    if (endsWith(target, ".yxp")) type = "yxp";
  }
  if (type.empty()) {
    error("the package's name ends in neither .kxp nor .yxp: give --type kxp or --type yxp");
    finish(kBadOptionsExit);
    return;
  }
  request("externalPackageExtension",
          {pathArgument(o.arguments[0]), pathArgument(o.arguments[1]), type},
          [this](const std::vector<std::string>& reply) {
            if (reply[1] == "0") {
              notice("Made " + m_current.arguments[1] + ".");
              finish(0);
            } else {
              error(m_current.arguments[1] + ": the package was not made");
              finish(kPackageFailedExit);
            }
          });
}

void CliMovie::convert(const CliOptions& o) {
  request("externalConvertKxiFileToKxiBrioFile",
          {pathArgument(o.arguments[0]), pathArgument(o.arguments[1])},
          [this](const std::vector<std::string>& reply) {
            const fs::path source(m_current.arguments[0]);
            const std::string written =
                (fs::path(m_current.arguments[1]) / source.stem()).string() + ".kxi_brio";
            if (reply[1] == "0") {
              notice("Wrote " + written + ".");
              finish(0);
            } else {
              error(m_current.arguments[0] + ": the description could not be read");
              finish(kFailedExit);
            }
          });
}

void CliMovie::listProducts() {
  if (m_products.empty()) {
    // Why hosts that were looked for can't be used; with a host at hand
    // these only name versions that are not installed.
    for (const std::string& text : m_productErrors) error(text);
    notice("No host products found.");
  } else {
    for (const Product& p : m_products)
      *m_streams.out << p.name << "\t" << p.version << "\t" << p.installFolder << "\n";
  }
  finish(0);
}

void CliMovie::listInstalled(const CliOptions& o) {
  size_t count = 0;
  for (const Product& p : m_products) {
    if (!o.product.empty() && p.name != o.product) continue;
    if (p.store.empty()) continue;
    for (const Installed& e : readStore(p.name, p.store)) {
      *m_streams.out << e.product << "\t" << e.name << "\t" << e.version << "\t"
                     << e.descriptionFile << "\n";
      ++count;
    }
  }
  if (count == 0) notice("No extensions installed.");
  finish(0);
}

// ---------------------------------------------------------------------------
// The program's questions
// ---------------------------------------------------------------------------

void CliMovie::question(const std::vector<std::string>& args) {
  const std::string& id = args[0];
  const std::string& op = args[1];
  auto arg = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
  if (op == "3") {
    const std::string other = arg(2);
    if (m_current.interactive) {
      ask(other + " would take the extension instead. Try it? [Y/n] ",
          [this, id](const std::string& line, bool eof) {
            answer(id, {std::to_string(!eof && lower(line).rfind("n", 0) == 0 ? kAnswerNo
                                                                              : kAnswerYes)});
          });
      return;
    }
    // A product named on the command line is the only one wanted.
    const bool goOn = m_current.product.empty();
    if (goOn) notice("Trying " + other + ".");
    answer(id, {std::to_string(goOn ? kAnswerYes : kAnswerNo)});
  } else if (op == "4") {
    std::string list;
    for (size_t i = 2; i < args.size(); ++i) list += (i > 2 ? ", " : "") + args[i];
    error("the extension needs these products: " + list);
    answer(id, {"0"});
  } else if (op == "5") {
    const Product* p = product(arg(2));
    const bool yes = p && supports(*p, arg(3), arg(4), arg(5), arg(6) == "1", arg(7) == "1",
                                   std::atoi(arg(8).c_str()));
    answer(id, {yes ? "0" : "1"});
  } else if (op == "6") {
    promptFolder(id, arg(2), arg(3));
  } else if (op == "7") {
    confirmLicence(id, arg(2));
  } else if (op == "8") {
    messageBox(id, static_cast<unsigned>(std::strtoul(arg(2).c_str(), nullptr, 10)), arg(3));
  } else if (op == "9") {
    progress(args);
  } else if (op == "10") {
    chooseLocale(id, args);
  } else if (op == "101") {
    std::string why;
    if (writeStandaloneDescription(arg(2), arg(3), arg(4), why)) {
      // What the install brings is what was just written.
      m_incomingRead = true;
      m_hasIncoming = readDescription(arg(3), m_incoming);
      answer(id, {"0"});
    } else {
      error(arg(4) + ": no description can be made for the bundle: " + why);
      answer(id, {"1"});
    }
  } else if (op == "102") {
    std::string text;
    for (size_t i = 2; i < args.size(); ++i) text += (i > 2 ? "\n" : "") + args[i];
    if (m_current.interactive) {
      ask(text + "\nInstall it anyway? [y/N] ", [this, id](const std::string& line, bool eof) {
        answer(id, {!eof && lower(line).rfind("y", 0) == 0 ? "0" : "1"});
      });
      return;
    }
    error(text);
    answer(id, {"0"});
  } else {
    answer(id, {"1"});
  }
}

void CliMovie::messageBox(const std::string& id, unsigned type, const std::string& text) {
  if (type == kNotice) {
    // Notices the program shows as such go to standard output; the rest it
    // shows as errors, which it has written on standard error itself in
    // suppress mode.
    bool plain = false;
    for (unsigned notice : kPlainNotices) plain = plain || matchesFormat(text, format(notice));
    if (plain)
      notice(text);
    else if (m_current.interactive)
      error(text);
    answer(id, {std::to_string(kAnswerOk)});
    return;
  }
  const bool existing = type == kExistingItem || type == kExistingItemDuringBundle;
  if (m_current.interactive) {
    std::string prompt;
    std::function<int(const std::string&)> read;
    int fallback = kAnswerCancel;
    if (type == kYesNo) {
      if (const Replacement r = replacementOf(text); r.kind != Replacement::Kind::kNone) {
        replace(id, text, r);
        return;
      }
      prompt = text + " [y/N] ";
      fallback = kAnswerNo;
      read = [](const std::string& l) {
        return lower(l).rfind("y", 0) == 0 ? kAnswerYes : kAnswerNo;
      };
    } else if (existing) {
      prompt = text + " [o]verwrite, [s]kip, overwrite [a]ll, [c]ancel? ";
      read = [](const std::string& l) {
        const std::string c = lower(l);
        if (c.rfind("o", 0) == 0) return kAnswerYes;
        if (c.rfind("s", 0) == 0) return kAnswerNo;
        if (c.rfind("a", 0) == 0) return kAnswerOverwriteAll;
        return kAnswerCancel;
      };
    } else if (type == kRetryCancel) {
      prompt = text + " [r]etry or [c]ancel? ";
      read = [](const std::string& l) {
        return lower(l).rfind("r", 0) == 0 ? kAnswerRetry : kAnswerCancel;
      };
    } else if (type == kRetryWhileHostRuns || type == kQuitRunningHost) {
      const int goOn = type == kRetryWhileHostRuns ? kAnswerGoOnWhileRunning : kAnswerGoOnQuit;
      prompt = text + " [g]o on or [c]ancel? ";
      read = [goOn](const std::string& l) {
        return lower(l).rfind("g", 0) == 0 ? goOn : kAnswerCancel;
      };
    } else {
      prompt = text + " [y/N] ";
      read = [](const std::string& l) {
        return lower(l).rfind("y", 0) == 0 ? kAnswerYes : kAnswerCancel;
      };
    }
    ask(prompt, [this, id, read, fallback](const std::string& line, bool eof) {
      answer(id, {std::to_string(eof ? fallback : read(line))});
    });
    return;
  }

  int result = kAnswerCancel;
  if (type == kYesNo) {
    if (const Replacement r = replacementOf(text); r.kind != Replacement::Kind::kNone) {
      replace(id, text, r);
      return;
    }
    const bool newer = matchesFormat(text, format(kMsgOlderInstalled)) ||
                       matchesFormat(text, format(kMsgSameInstalled));
    // Yes to "no folder, choose one?" would only ask for the folder again.
    const bool noFolder = matchesFormat(text, format(kMsgNoFolderChosen));
    if (newer) {
      result = kAnswerYes;
    } else if (!noFolder && m_current.force) {
      result = kAnswerYes;
    } else {
      result = kAnswerNo;
      if (!noFolder) error(text + " (answered no; --force answers yes)");
    }
  } else if (existing) {
    switch (m_current.overwrite) {
      case CliOptions::Overwrite::kAll:
        result = kAnswerOverwriteAll;
        break;
      case CliOptions::Overwrite::kSkip:
        result = kAnswerNo;
        break;
      case CliOptions::Overwrite::kCancel:
        result = kAnswerCancel;
        error(text + " (cancelled; --overwrite all or --overwrite skip goes on)");
        break;
    }
  } else {
    // Retry questions, busy files and running hosts: the person is not
    // there to free anything.
    error(text);
    result = kAnswerCancel;
  }
  answer(id, {std::to_string(result)});
}

void CliMovie::promptFolder(const std::string& id, const std::string& title,
                            const std::string& folder) {
  std::string token;
  const std::string format4106 = format(kMsgChooseFolder);
  if (const size_t place = format4106.find("%s");
      place != std::string::npos && matchesFormat(title, format4106)) {
    const std::string tail = format4106.substr(place + 2);
    token = title.substr(place, title.size() - place - tail.size());
  }
  if (m_current.interactive) {
    ask(title + (folder.empty() ? std::string() : " [" + folder + "]") + " ",
        [this, id, folder](const std::string& line, bool eof) {
          if (eof) {
            answer(id, {"1"});
            return;
          }
          const std::string chosen =
              line.empty() ? folder : CliOptions::absolutePath(line, m_current.currentFolder);
          if (chosen.empty())
            answer(id, {"1"});
          else
            answer(id, {"0", chosen});
        });
    return;
  }
  std::string chosen;
  if (const auto it = m_current.folders.find(token);
      !token.empty() && it != m_current.folders.end())
    chosen = it->second;
  else if (const auto any = m_current.folders.find(""); any != m_current.folders.end())
    chosen = any->second;
  else if (!folder.empty())
    for (const Product& p : m_products)
      if ((!p.installFolder.empty() && isInside(folder, p.installFolder)) ||
          (!p.store.empty() && isInside(folder, p.store)))
        chosen = folder;
  if (chosen.empty()) {
    const std::string name = token.empty() ? std::string("TOKEN") : token;
    error(title + " The install needs a folder: give it with --folder " + name + "=FOLDER" +
          (folder.empty() ? std::string() : " (the extension proposes " + folder + ")"));
    answer(id, {"1"});
    return;
  }
  answer(id, {"0", chosen});
}

void CliMovie::confirmLicence(const std::string& id, const std::string& heading) {
  const std::string text = licenceText();
  if (text.empty()) {
    answer(id, {"0"});
    return;
  }
  if (m_current.interactive) {
    *m_streams.out << heading << "\n" << text << "\n";
    ask("Accept the licence agreement? [y/N] ", [this, id](const std::string& line, bool eof) {
      answer(id, {!eof && lower(line).rfind("y", 0) == 0 ? "0" : "1"});
    });
    return;
  }
  if (m_current.acceptLicense) {
    answer(id, {"0"});
    return;
  }
  error(heading +
        " The extension comes with a licence agreement: read it with Plexar -i, or "
        "accept it with --accept-license");
  answer(id, {"1"});
}

void CliMovie::chooseLocale(const std::string& id, const std::vector<std::string>& args) {
  const std::string extension = args.size() > 3 ? args[3] : std::string();
  std::vector<std::string> locales(args.begin() + std::min<size_t>(4, args.size()), args.end());
  if (locales.empty()) {
    answer(id, {"1"});
    return;
  }
  if (m_current.interactive) {
    std::string list;
    for (const std::string& l : locales) list += (list.empty() ? "" : ", ") + l;
    ask("Language of " + extension + " (" + list + ") [" + locales.front() + "] ",
        [this, id, locales](const std::string& line, bool eof) {
          std::string chosen = locales.front();
          if (!eof)
            for (const std::string& l : locales)
              if (equalNoCase(l, line)) chosen = l;
          answer(id, {"0", chosen});
        });
    return;
  }
  std::string chosen;
  for (const std::string& l : locales)
    if (!m_current.locale.empty() && equalNoCase(l, m_current.locale)) chosen = l;
  if (chosen.empty()) {
    chosen = locales.front();
    for (const std::string& l : locales)
      if (l == "en_US") chosen = l;
    notice("Installing the " + chosen + " files of " + extension + " (--locale chooses another).");
  }
  answer(id, {"0", chosen});
}

CliMovie::Replacement CliMovie::replacementOf(const std::string& text) {
  const std::string sameStoreFile = format(kMsgSameStoreFile);
  const std::string replaceEnabled = format(kMsgReplaceEnabled);
  // Only these questions need the package's extension: read it once.
  if (!m_incomingRead && !sameStoreFile.empty() &&
      matchesFormat(text, sameStoreFile + " " + replaceEnabled) && !m_current.arguments.empty()) {
    m_incomingRead = true;
    m_hasIncoming = readPackageDescription(m_current.arguments[0], m_incoming);
  }
  std::vector<Installed> installed;
  for (const Product& p : m_products) {
    if (!m_current.product.empty() && p.name != m_current.product) continue;
    if (p.store.empty()) continue;
    for (Installed& e : readStore(p.name, p.store)) installed.push_back(std::move(e));
  }
  return judgeReplacement(text, sameStoreFile, replaceEnabled, format(kMsgDisableOther), installed,
                          m_hasIncoming ? &m_incoming : nullptr);
}

void CliMovie::replace(const std::string& id, const std::string& text, const Replacement& r) {
  using Kind = Replacement::Kind;
  if (m_current.interactive) {
    std::string prompt;
    switch (r.kind) {
      case Kind::kUpdate:
        prompt = "Update " + r.name + " from " + r.installed + " to " + r.incoming + "?";
        break;
      case Kind::kSame:
        prompt = r.name + " " + r.installed + " is installed already. Install it again?";
        break;
      case Kind::kDowngrade:
        prompt = r.name + " " + r.installed + " is installed, newer than this " + r.incoming +
                 ". Replace it with the older version?";
        break;
      default: {
        auto withId = [](const std::string& name, const std::string& extensionId) {
          return extensionId.empty() ? name : name + " (" + extensionId + ")";
        };
        prompt = "Another extension, " + withId(r.name, r.installedId) +
                 ", is installed under the description file " +
                 (r.descriptionFile.empty() ? std::string("of this package") : r.descriptionFile) +
                 ". Put " + withId(r.incoming, r.incomingId) + " in its place?";
        break;
      }
    }
    ask(prompt + " [y/N] ", [this, id](const std::string& line, bool eof) {
      answer(id, {std::to_string(!eof && lower(line).rfind("y", 0) == 0 ? kAnswerYes : kAnswerNo)});
    });
    return;
  }
  int result = kAnswerNo;
  switch (r.kind) {
    case Kind::kUpdate:
      notice("Updating " + r.name + " from " + r.installed + " to " + r.incoming + ".");
      result = kAnswerYes;
      break;
    case Kind::kSame:
      notice("Installing " + r.name + " " + r.installed + " again.");
      result = kAnswerYes;
      break;
    case Kind::kDowngrade:
      if (m_current.force) {
        notice("Replacing " + r.name + " " + r.installed + " with the older " + r.incoming + ".");
        result = kAnswerYes;
      } else {
        error(r.name + " " + r.installed + " is installed, newer than this " + r.incoming +
              ": it stays (--force installs the older version)");
      }
      break;
    default:
      if (m_current.force)
        result = kAnswerYes;
      else
        error(text + " (answered no; --force answers yes)");
      break;
  }
  answer(id, {std::to_string(result)});
}

void CliMovie::progress(const std::vector<std::string>& args) {
  if (m_current.quiet || args.size() < 3) return;
  const int percent = std::atoi(args[2].c_str());
  if (percent == m_lastProgress) return;
  m_lastProgress = percent;
  *m_streams.err << "  " << percent << "%\n";
  m_streams.err->flush();
}

void CliMovie::ask(const std::string& prompt,
                   std::function<void(const std::string& line, bool eof)> then) {
  *m_streams.out << prompt;
  m_streams.out->flush();
  if (!m_lines.empty()) {
    auto [line, eof] = m_lines.front();
    if (!eof) m_lines.pop_front();
    then(line, eof);
    return;
  }
  if (m_inputEnded || !m_reader) {
    *m_streams.out << "\n";
    then(std::string(), true);
    return;
  }
  m_waiting = std::move(then);
}

void CliMovie::inputLine(const std::string& line, bool eof) {
  if (eof) m_inputEnded = true;
  if (m_waiting) {
    auto then = std::move(m_waiting);
    m_waiting = nullptr;
    then(line, eof);
    return;
  }
  // Typed ahead: kept for the next question.
  if (m_lines.size() < 64) m_lines.emplace_back(line, eof);
}

// ---------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------

void CliMovie::notice(const std::string& text) {
  *m_streams.out << text << "\n";
  m_streams.out->flush();
}

void CliMovie::error(const std::string& text) {
  *m_streams.err << "Plexar: " << text << "\n";
  m_streams.err->flush();
}

std::string CliMovie::format(unsigned id) const {
  CString text;
  if (!text.LoadString(id)) return {};
  return utf8(text);
}

const CliMovie::Product* CliMovie::product(const std::string& name) const {
  for (const Product& p : m_products)
    if (p.name == name) return &p;
  return nullptr;
}

std::string CliMovie::licenceText() const {
  // The engine writes the agreement of the extension it installs here.
  const std::string path =
      platform::PlatformConfig::current().userAppDataFolder() + "/Vesko/Plexar WB5/licenseFile.txt";
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string text(kMaxDescriptionBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  const size_t last = text.find_last_not_of(" \t\r\n");
  return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

bool CliMovie::supports(const Product& product, const std::string& kxiName,
                        const std::string& minVersion, const std::string& maxVersion, bool minOpen,
                        bool maxOpen, int bit) {
  if (kxiName.empty()) return false;
  if (!equalNoCase(kxiName, product.name) && !equalNoCase(kxiName, product.family)) return false;
  if (bit != 0 && product.bit != 0 && bit != product.bit) return false;
  // A bound, or a host version, that no field holds can't be judged: the
  // requirement is unmet.
  const CZorbVersionNumber version = versionOf(product.version);
  if ((!minVersion.empty() || !maxVersion.empty()) && version.IsOutOfRange()) return false;
  if (!minVersion.empty()) {
    const CZorbVersionNumber low = versionOf(minVersion);
    if (low.IsOutOfRange()) return false;
    const int c = version.Compare(low);
    if (c < 0 || (minOpen && c == 0)) return false;
  }
  if (!maxVersion.empty()) {
    // A bound "12" admits 12.0.5: it names the major version as a whole.
    const CZorbVersionNumber high = versionOf(maxVersion);
    if (high.IsOutOfRange()) return false;
    int c = version.Compare(high);
    const bool majorOnly = maxVersion.find('.') == std::string::npos;
    if (majorOnly)
      c = version.GetMajor() < high.GetMajor() ? -1 : version.GetMajor() > high.GetMajor() ? 1 : 0;
    if (c > 0 || (maxOpen && c == 0)) return false;
  }
  return true;
}

bool CliMovie::matchesFormat(const std::string& text, const std::string& format) {
  std::vector<std::string> values;
  return readFormat(text, format, values);
}

bool CliMovie::readFormat(const std::string& text, const std::string& format,
                          std::vector<std::string>& values) {
  values.clear();
  if (format.empty()) return false;
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() &&
        (format[i + 1] == 's' || format[i + 1] == 'd')) {
      pieces.emplace_back();
      ++i;
    } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == '%') {
      pieces.back() += '%';
      ++i;
    } else {
      pieces.back() += format[i];
    }
  }
  if (pieces.size() == 1) return text == pieces[0];
  if (text.compare(0, pieces.front().size(), pieces.front()) != 0) return false;
  if (!endsWith(text, pieces.back())) return false;
  size_t at = pieces.front().size();
  const size_t end = text.size() - pieces.back().size();
  if (end < at) return false;
  for (size_t i = 1; i + 1 < pieces.size(); ++i) {
    const size_t found = text.find(pieces[i], at);
    if (found == std::string::npos || found + pieces[i].size() > end) return false;
    values.push_back(text.substr(at, found - at));
    at = found + pieces[i].size();
  }
  values.push_back(text.substr(at, end - at));
  return true;
}

bool CliMovie::isInside(const std::string& path, const std::string& folder) {
  const std::string p = fs::path(path).lexically_normal().string();
  std::string f = fs::path(folder).lexically_normal().string();
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  if (p == f) return true;
  if (f == "/") return !p.empty() && p[0] == '/';
  return p.size() > f.size() && p.compare(0, f.size(), f) == 0 && p[f.size()] == '/';
}

std::vector<CliMovie::Product> CliMovie::readProducts(const std::vector<std::string>& answer,
                                                      std::vector<std::string>* errors) {
  std::vector<Product> products;
  size_t i = 2;
  while (i < answer.size()) {
    if (answer[i] == "1") {
      if (errors && i + 1 < answer.size()) errors->push_back(answer[i + 1]);
      i += 2;
      continue;
    }
    if (answer[i] != "0" || i + 16 > answer.size()) break;
    Product p;
    p.name = answer[i + 1];
    p.family = answer[i + 2];
    p.version = answer[i + 3];
    p.installFolder = answer[i + 4];
    p.group = answer[i + 8];
    p.store = answer[i + 9];
    p.bit = std::atoi(answer[i + 15].c_str());
    products.push_back(std::move(p));
    i += 16;
  }
  return products;
}

std::vector<CliMovie::Installed> CliMovie::readStore(const std::string& product,
                                                     const std::string& store) {
  std::vector<Installed> found;
  std::error_code ec;
  fs::directory_iterator it(store, ec);
  size_t seen = 0;
  for (; !ec && it != fs::directory_iterator() && seen < kMaxStoreEntries;
       it.increment(ec), ++seen) {
    const fs::path path = it->path();
    if (lower(path.extension().string()) != ".kxi") continue;
    // Never through a link: the store holds files.
    if (!fs::is_regular_file(fs::symlink_status(path, ec))) continue;
    Installed e;
    if (!readDescription(path.string(), e)) continue;
    e.product = product;
    found.push_back(std::move(e));
  }
  std::sort(found.begin(), found.end(), [](const Installed& a, const Installed& b) {
    return a.descriptionFile < b.descriptionFile;
  });
  return found;
}

bool CliMovie::readDescription(const std::string& path, Installed& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string text(kMaxDescriptionBytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  size_t root = text.find("<quillory-extension");
  if (root == std::string::npos) root = text.find("<quillory-package");
  if (root == std::string::npos) return false;
  const size_t close = text.find('>', root);
  const std::string attributes =
      text.substr(root, close == std::string::npos ? std::string::npos : close - root);
  out = Installed();
  out.name = attributeValue(attributes, "name");
  out.version = attributeValue(attributes, "version");
  out.id = attributeValue(attributes, "id");
  out.descriptionFile = fs::path(path).filename().string();
  if (out.name.empty()) out.name = fs::path(path).stem().string();
  return true;
}

bool CliMovie::readPackageDescription(const std::string& package, Installed& out) {
  const std::string kind = lower(fs::path(package).extension().string());
  const int type = kind == ".yxp"   ? CZorbPackageUtility::kYxp
                   : kind == ".kxp" ? CZorbPackageUtility::kKxp
                                    : CZorbPackageUtility::kUnknown;
  if (type == CZorbPackageUtility::kUnknown) return readDescription(package, out);

  // As the program finds it: the first description at the package's top.
  const CString posixPath = wide(pathArgument(package));
  CString colon;
  if (posixPath.GetLength() == 0 ||
      !CZorbOS::convertPath(std::u16string(posixPath.Get()), colon, false))
    return false;
  const std::unique_ptr<CZorbPackage> packager(
      CZorbPackageUtility::createPackager(type, colon.Get()));
  CZorbTypedVector<CString> names;
  if (!packager || packager->UnPackFileNames(names) != 0) return false;
  CString description;
  for (const CString& name : names) {
    if (name.Find(u':') >= 0) continue;
    if (lower(fs::path(utf8(name)).extension().string()) == ".kxi") {
      description = name;
      break;
    }
  }
  if (description.GetLength() == 0) return false;
  CString folder;
  CZorbOS::getTempPathForFolderOperation(u"cli", folder);
  if (folder.GetLength() == 0 || !CZorbOS::CreateDirectory(folder.Get(), true)) return false;
  bool read = false;
  CString posix;
  if (packager->UnPackTo((folder + u":").Get()) == 0 &&
      CZorbOS::convertPathWithNoLog(folder + u":" + description, posix))
    read = readDescription(utf8(posix), out);
  // A folder of ours in the temporary items: what is left there goes with
  // the next clean-up.
  (void)CZorbOS::DeleteDirectoryWithoutRollback(folder.Get(), true);
  return read;
}

CliMovie::Replacement CliMovie::judgeReplacement(const std::string& text,
                                                 const std::string& sameStoreFile,
                                                 const std::string& replaceEnabled,
                                                 const std::string& disableOther,
                                                 const std::vector<Installed>& installed,
                                                 const Installed* incoming) {
  using Kind = Replacement::Kind;
  Replacement r;
  if (sameStoreFile.empty()) return r;
  std::vector<std::string> values;
  // Another extension, disabled, under the same description file.
  if (!disableOther.empty() && readFormat(text, sameStoreFile + " " + disableOther, values) &&
      values.size() == 3) {
    r.kind = Kind::kOther;
    r.name = values[1];
    r.incoming = values[0];
    r.descriptionFile = incoming ? incoming->descriptionFile : std::string();
    return r;
  }
  // An enabled copy under the same description file: the same extension or
  // another one.
  if (replaceEnabled.empty() || !readFormat(text, sameStoreFile + " " + replaceEnabled, values) ||
      values.size() != 3)
    return r;
  r.kind = Kind::kOther;
  r.name = values[1];
  r.incoming = values[0];
  if (!incoming) return r;
  r.descriptionFile = incoming->descriptionFile;
  std::vector<const Installed*> copies;
  for (const Installed& e : installed)
    if (equalNoCase(e.descriptionFile, incoming->descriptionFile) && e.name == values[1])
      copies.push_back(&e);
  if (copies.empty()) return r;
  // The same extension in every product that holds it; the oldest answer
  // wins, so a newer copy anywhere makes it a downgrade.
  int order = 1;
  const Installed* compared = copies.front();
  for (const Installed* e : copies) {
    if (!equalNoCase(e->name, incoming->name) || e->id != incoming->id) {
      r.installedId = e->id;
      r.incomingId = incoming->id;
      return r;
    }
    const int c = versionOf(incoming->version).Compare(versionOf(e->version));
    const int sign = (c > 0) - (c < 0);
    if (sign < order) {
      order = sign;
      compared = e;
    }
  }
  r.kind = order > 0 ? Kind::kUpdate : order == 0 ? Kind::kSame : Kind::kDowngrade;
  r.name = incoming->name;
  r.installed = compared->version;
  r.incoming = incoming->version;
  return r;
}

std::string CliMovie::importRefusal(const std::string& folder) {
  std::error_code ec;
  if (!fs::exists(folder, ec)) return "there is no such folder";
  if (!fs::is_directory(folder, ec)) return "it is not a folder";
  if (!fs::is_regular_file(fs::path(folder) / "VornConfig.xml", ec) &&
      !fs::is_regular_file(fs::path(folder) / "Configuration" / "VornConfig.xml", ec))
    return "it holds no host (no VornConfig.xml in it or in its Configuration folder)";
  return "Plexar could not add it to its list of hosts";
}

bool CliMovie::writeStandaloneDescription(const std::string& manifest,
                                          const std::string& description,
                                          const std::string& packageName, std::string& why) {
  CZorbXmlPairs::Pairs pairs;
  const CZorbXmlPairs::Answer read = CZorbXmlPairs::Read(wide(manifest), u"WBXS.Data", pairs);
  if (read != CZorbXmlPairs::kPairs || pairs.size() != 1) {
    why = "its manifest names no single bundle id and version";
    return false;
  }
  const std::string id = utf8(pairs.begin()->first);
  const std::string version = utf8(pairs.begin()->second);
  if (id.empty()) {
    why = "its manifest names no bundle id";
    return false;
  }
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  text += "<quillory-extension name=\"" + xmlAttribute(id) + "\" version=\"" +
          xmlAttribute(version) + "\" id=\"" + xmlAttribute(id) + "\">\n";
  text += "  <description>" + xmlAttribute(packageName) + "</description>\n";
  text += "  <files default-file-type=\"wbxs\">\n";
  text += "    <file source=\"WBXS\" destination=\"$wbxs\" file-type=\"wbxs\"/>\n";
  text += "  </files>\n";
  text += "</quillory-extension>\n";
  const int status = platform::atomicWriteFile(description, text.data(), text.size());
  if (status != 0) {
    why = "the description can't be written (" + std::to_string(status) + ")";
    return false;
  }
  return true;
}
