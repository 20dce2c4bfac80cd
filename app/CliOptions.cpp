#include "app/CliOptions.h"

#include <cstddef>
#include <filesystem>
#include <utility>

namespace {

using Operation = CliOptions::Operation;

constexpr const char* kCurrDir = "-CurrDir=";
// Lines and words longer than this are refused: nobody types them.
constexpr size_t kMaxWords = 4096;

struct OperationName {
  const char* name;
  Operation operation;
  // Arguments the operation takes: at least, at most.
  size_t least;
  size_t most;
};

constexpr OperationName kOperations[] = {
    {"install", Operation::kInstall, 1, 1},
    {"remove", Operation::kRemove, 1, 1},
    {"uninstall", Operation::kRemove, 1, 1},
    {"enable", Operation::kEnable, 1, 1},
    {"disable", Operation::kDisable, 1, 1},
    {"package", Operation::kPackage, 2, 2},
    {"convert", Operation::kConvert, 2, 2},
    {"import", Operation::kImport, 1, 1},
    {"migrate", Operation::kMigrate, 0, 0},
    {"products", Operation::kProducts, 0, 0},
    {"list-products", Operation::kProducts, 0, 0},
    {"list", Operation::kList, 0, 0},
    {"help", Operation::kHelp, 0, 0},
};

const OperationName* findOperation(const std::string& word) {
  for (const OperationName& op : kOperations)
    if (word == op.name) return &op;
  return nullptr;
}

// A word without its leading "-" or "--".
std::string bare(const std::string& word) {
  if (word.rfind("--", 0) == 0) return word.substr(2);
  if (word.rfind("-", 0) == 0) return word.substr(1);
  return word;
}

bool isPackagePath(const std::string& word) {
  auto endsWith = [&](const char* suffix) {
    const std::string s = suffix;
    if (word.size() < s.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
      char c = word[word.size() - s.size() + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != s[i]) return false;
    }
    return true;
  };
  return endsWith(".kxp") || endsWith(".yxp") || endsWith(".kxi");
}

// Operations whose arguments are paths.
bool argumentsArePaths(Operation op) {
  return op == Operation::kInstall || op == Operation::kPackage || op == Operation::kConvert ||
         op == Operation::kImport;
}

// Reads a quoted word: "..." with backslash escapes; from just after the
// opening quote, up to and past the closing one. closed says whether there
// was one.
std::string unquote(const std::string& text, size_t& i, bool* closed = nullptr) {
  std::string out;
  while (i < text.size() && text[i] != '"') {
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    out += text[i++];
  }
  if (closed) *closed = i < text.size();
  if (i < text.size()) ++i;
  return out;
}

}  // namespace

std::vector<std::string> CliOptions::splitLine(const std::string& line, bool fromArguments,
                                               std::string& currentFolder) {
  std::vector<std::string> words;
  auto take = [&](std::string word, bool unquoted) {
    // An opened document comes quoted, with a backslash before each quote.
    if (!unquoted && fromArguments && word.size() >= 2 && word.front() == '"' &&
        word.back() == '"') {
      size_t i = 1;
      word = unquote(word, i);
    }
    if (!unquoted && word.rfind(kCurrDir, 0) == 0) {
      std::string value = word.substr(std::string(kCurrDir).size());
      if (!value.empty() && value[0] == '"') {
        size_t i = 1;
        value = unquote(value, i);
      }
      currentFolder = value;
      return;
    }
    if (words.size() < kMaxWords) words.push_back(std::move(word));
  };
  if (fromArguments) {
    size_t start = 0;
    for (;;) {
      // A quoted line runs to its closing quote, newlines and all, when the
      // line ends there: how an argument that holds a newline travels. The
      // current folder may hold one too.
      const size_t currDir = std::string(kCurrDir).size();
      const bool folder = line.compare(start, currDir + 1, std::string(kCurrDir) + '"') == 0;
      if (folder || (start < line.size() && line[start] == '"')) {
        size_t i = start + (folder ? currDir : 0) + 1;
        bool closed = false;
        std::string word = unquote(line, i, &closed);
        if (closed && (i == line.size() || line[i] == '\n')) {
          if (folder)
            currentFolder = std::move(word);
          else
            take(std::move(word), true);
          if (i == line.size()) break;
          start = i + 1;
          continue;
        }
      }
      const size_t end = line.find('\n', start);
      take(line.substr(start, end == std::string::npos ? std::string::npos : end - start), false);
      if (end == std::string::npos) break;
      start = end + 1;
    }
    // Only the program's arguments: an empty first line is no argument.
    if (!words.empty() && words.front().empty() && words.size() == 1) words.clear();
    return words;
  }
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\n')) ++i;
    if (i >= line.size()) break;
    std::string word;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\n') {
      if (line[i] == '"') {
        ++i;
        word += unquote(line, i);
      } else if (line[i] == '\\' && i + 1 < line.size()) {
        word += line[i + 1];
        i += 2;
      } else {
        word += line[i++];
      }
    }
    take(std::move(word), false);
  }
  return words;
}

CliOptions CliOptions::parse(const std::vector<std::string>& words,
                             const std::string& currentFolder) {
  CliOptions o;
  o.currentFolder = currentFolder;
  const OperationName* op = nullptr;
  bool optionsEnd = false;
  auto fail = [&](std::string why) {
    if (o.error.empty()) o.error = std::move(why);
  };

  for (size_t i = 0; i < words.size() && o.ok(); ++i) {
    const std::string& word = words[i];
    if (word.empty()) continue;
    if (!optionsEnd && word == "--") {
      optionsEnd = true;
      continue;
    }
    const bool dashed = !optionsEnd && word[0] == '-' && word.size() > 1;
    if (!dashed) {
      if (!op && findOperation(word)) {
        op = findOperation(word);
        continue;
      }
      // A package given alone (an opened document) is installed.
      if (!op && isPackagePath(word)) op = findOperation("install");
      if (!op) {
        fail("unknown operation \"" + word + "\"");
        break;
      }
      o.arguments.push_back(word);
      continue;
    }

    std::string name = bare(word);
    std::string value;
    bool hasValue = false;
    if (const size_t eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      hasValue = true;
    }
    auto needValue = [&]() -> bool {
      if (hasValue) return true;
      if (i + 1 >= words.size()) {
        fail("option --" + name + " needs a value");
        return false;
      }
      value = words[++i];
      return true;
    };
    auto noValue = [&]() -> bool {
      if (hasValue) fail("option --" + name + " takes no value");
      return !hasValue;
    };

    if (name == "h" || name == "help") {
      if (noValue()) o.operation = Operation::kHelp;
    } else if (name == "product" || name == "p") {
      if (needValue()) o.product = value;
    } else if (name == "version") {
      if (needValue()) o.version = value;
    } else if (name == "timeout") {
      if (!needValue()) break;
      size_t digits = 0;
      while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9') ++digits;
      if (digits == 0 || digits != value.size() || digits > 6 || value == std::string(digits, '0'))
        fail("--timeout needs a whole number of seconds above 0");
      else
        o.timeout = value;
    } else if (name == "type") {
      if (!needValue()) break;
      std::string lower;
      for (char c : value) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
      if (lower != "kxp" && lower != "yxp")
        fail("--type is kxp or yxp");
      else
        o.packageType = lower;
    } else if (name == "locale") {
      if (needValue()) o.locale = value;
    } else if (name == "accept-license" || name == "accept-licence") {
      if (noValue()) o.acceptLicense = true;
    } else if (name == "overwrite") {
      if (!needValue()) break;
      if (value == "all")
        o.overwrite = Overwrite::kAll;
      else if (value == "skip")
        o.overwrite = Overwrite::kSkip;
      else if (value == "cancel")
        o.overwrite = Overwrite::kCancel;
      else
        fail("--overwrite is all, skip or cancel");
    } else if (name == "folder") {
      if (!needValue()) break;
      const size_t eq = value.find('=');
      // A path may hold "=" too: only a token name before it counts.
      std::string token;
      std::string path = value;
      if (eq != std::string::npos && eq != 0 && value.find('/') > eq) {
        token = value.substr(0, eq);
        path = value.substr(eq + 1);
      }
      if (path.empty())
        fail("--folder needs a folder");
      else
        o.folders[token] = absolutePath(path, currentFolder);
    } else if (name == "force") {
      if (noValue()) o.force = true;
    } else if (name == "interactive" || name == "i") {
      if (noValue()) o.interactive = true;
    } else if (name == "quiet" || name == "q") {
      if (noValue()) o.quiet = true;
    } else if (!op && findOperation(name) && !hasValue) {
      // The older spelling of operations: -install, --remove.
      op = findOperation(name);
    } else {
      fail("unknown option " + word);
    }
  }

  if (!o.ok()) return o;
  if (o.operation == Operation::kHelp) return o;
  if (!op) {
    o.operation = Operation::kNone;
    return o;
  }
  o.operation = op->operation;
  if (o.arguments.size() < op->least) {
    fail(std::string(op->name) + " needs " +
         (op->least == 1 ? std::string("an argument") : std::to_string(op->least) + " arguments"));
  } else if (o.arguments.size() > op->most) {
    fail(std::string("too many arguments for ") + op->name);
  }
  if (o.ok() && argumentsArePaths(o.operation))
    for (std::string& argument : o.arguments) argument = absolutePath(argument, currentFolder);
  return o;
}

CliOptions CliOptions::parseLine(const std::string& line, bool fromArguments) {
  std::string folder;
  const std::vector<std::string> words = splitLine(line, fromArguments, folder);
  return parse(words, folder);
}

std::string CliOptions::absolutePath(const std::string& path, const std::string& currentFolder) {
  std::filesystem::path p(path);
  if (p.is_relative()) p = std::filesystem::path(currentFolder.empty() ? "/" : currentFolder) / p;
  std::string out = p.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string CliOptions::usage() {
  return "Usage: Plexar [options] <operation> [arguments]\n"
         "\n"
         "Operations:\n"
         "  install <package>            install a KXP or YXP package (or a KXI description)\n"
         "  remove <extension>           remove an installed extension\n"
         "  enable <extension>           enable a disabled extension\n"
         "  disable <extension>          disable an installed extension\n"
         "  package <description> <package>\n"
         "                               make a KXP or YXP package of a KXI description\n"
         "  convert <description> <folder>\n"
         "                               write the description without its configuration\n"
         "                               changes (name.kxi_brio) into the folder\n"
         "  import <host folder>         add a host installation by its folder\n"
         "  migrate                      bring in extensions of earlier host versions\n"
         "  products                     list the host products found\n"
         "  list                         list the installed extensions\n"
         "\n"
         "An extension is named by its name or its description file (name.kxi).\n"
         "\n"
         "Options:\n"
         "  --product NAME               the host product to act on\n"
         "  --version VERSION            the extension's version, when several are installed\n"
         "  --timeout SECONDS            how long to wait for a running host (default 30)\n"
         "  --type kxp|yxp               the kind of package to make (default: by its name)\n"
         "  --accept-license             accept the extension's licence agreement\n"
         "  --overwrite all|skip|cancel  what to do with files that exist (default cancel)\n"
         "  --folder [TOKEN=]FOLDER      the folder for the extension's folder questions\n"
         "  --locale CODE                the language of messages and of the extension\n"
         "  --force                      answer yes to questions that downgrade what is\n"
         "                               installed, put another extension in its place or\n"
         "                               remove copies (a newer version needs none)\n"
         "  --interactive, -i            ask on the terminal instead of answering from options\n"
         "  --quiet, -q                  no progress\n"
         "  --help, -h                   this text\n"
         "\n"
         "Exit status: 0 done, 1 failed, 2 bad command line, 3 a re-install failed,\n"
         "5 the package could not be made, 7 handed to the Plexar that runs.\n";
}
