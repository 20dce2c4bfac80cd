#pragma once

#include <map>
#include <string>
#include <vector>

// The command line of the command-line movie: one operation with its
// arguments and the options that answer the program's questions.
//
// A line handed over by the program is either the arguments joined by
// newlines (fromArguments; an argument that holds a newline or starts with
// a double quote comes quoted, with backslash escapes, so it stays whole) or
// one text of words separated by blanks, with double quotes and backslash
// escapes; either ends in -CurrDir="<folder>", against which relative paths
// are resolved.
struct CliOptions {
  enum class Operation {
    kNone,
    kHelp,
    kInstall,
    kRemove,
    kEnable,
    kDisable,
    kPackage,
    kConvert,
    kImport,
    kMigrate,
    kProducts,
    kList,
  };
  enum class Overwrite { kCancel, kSkip, kAll };

  Operation operation = Operation::kNone;
  // The operation's arguments as given (paths made absolute).
  std::vector<std::string> arguments;

  std::string product;
  std::string version;
  // Seconds the program waits for a running host; "" leaves the default.
  std::string timeout;
  std::string packageType;
  std::string locale;
  bool acceptLicense = false;
  Overwrite overwrite = Overwrite::kCancel;
  // Folders for the extension's folder questions: by token name, and one
  // for any token ("" key).
  std::map<std::string, std::string> folders;
  bool force = false;
  bool interactive = false;
  bool quiet = false;

  std::string currentFolder;
  // Why the line was refused; empty when it was read.
  std::string error;

  bool ok() const { return error.empty(); }
  // Whether the program should run without a person: every line with an
  // operation, and every bad one, unless the person asked to be asked.
  bool suppress() const { return !interactive || !ok(); }

  // The words of a handed-over line, the -CurrDir= word taken out into
  // currentFolder.
  static std::vector<std::string> splitLine(const std::string& line, bool fromArguments,
                                            std::string& currentFolder);
  // Reads the words; error says what is wrong.
  static CliOptions parse(const std::vector<std::string>& words, const std::string& currentFolder);
  static CliOptions parseLine(const std::string& line, bool fromArguments);

  // A path made absolute against the current folder and lexically
  // normalised.
  static std::string absolutePath(const std::string& path, const std::string& currentFolder);
  // The text shown for --help.
  static std::string usage();
};
