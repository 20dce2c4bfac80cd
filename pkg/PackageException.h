#pragma once

#include <exception>
#include <string>

namespace pkg {

// The library's error codes; PackageException carries one of them.
enum PkgLib_Package_Error : int {
  kPkgErrNone = 0,
  kPkgErrOutOfMemory = 1,
  kPkgErrShortCDH = 2,
  kPkgErrBadCDHSignature = 3,
  kPkgErrReadFileName = 4,
  kPkgErrReadExtraField = 5,
  kPkgErrReadComment = 6,
  kPkgErrFileTooBig = 7,
  kPkgErrBadLFHSignature = 8,
  kPkgErrTooManyCDEntries = 9,
  kPkgErrReadECD = 10,
  kPkgErrFindECD = 11,
  kPkgErrReadZip64ECDL = 12,
  kPkgErrBadZip64ECDLSignature = 13,
  kPkgErrReadZip64ECD = 14,
  kPkgErrBadZip64ECDSignature = 15,
  kPkgErrSplitZip = 16,
  kPkgErrAlreadyOpen = 17,  // also: sizes differ from the central directory
  kPkgErrBadLFHSize = 18,
  kPkgErrNotImplemented = 19,
  kPkgErrNotValidPackage = 20,
  kPkgErrEntryNotFound = 21,
  kPkgErrBadArgument = 22,
  kPkgErrUnsupportedOperation = 23,
  kPkgErrIllegalState = 24,
  kPkgErrDirectoryExists = 25,
  kPkgErrWriteOnly = 26,
  kPkgErrWriteDeflate = 27,
  kPkgErrNotInUpdate = 28,
  kPkgErrWritingFile = 29,
  kPkgErrClosingFile = 30,
  kPkgErrDecompressing = 31,
  kPkgErrCompressing = 32,
  kPkgErrInputOnly = 33,
  kPkgErrInvalidOpenMode = 34,
  kPkgErrUpdateInProgress = 35,
  kPkgErrUpdateRequiresWrite = 36,
  kPkgErrUpdateNotInProgress = 37,
  kPkgErrOpeningFile = 38,
  kPkgErrOpeningTempFile = 39,
  kPkgErrReadingFile = 40,
  kPkgErrSeeking = 41,
  kPkgErrTelling = 42,
  kPkgErrFlushing = 43,
  kPkgErrTruncating = 44,
  kPkgErrConformance = 45,
  kPkgErrInvalidMimetype = 46,
  kPkgErrMissingMimetype = 47,
  kPkgErrCreatingTempFile = 48,
  kPkgErrDeletingTempFile = 49,
  kPkgErrUnknown = 50,
};

// The message of a code: "PKGLIB SAMPLE ERROR MESSAGE: " and the words of
// the code; codes outside 0..49 get the text of "UNKNOWN Error Code".
const char* packageErrorMessage(int code);

class PackageException : public std::exception {
 public:
  explicit PackageException(int code);
  // A code with a message of its own (e.g. zlib's account of a failure).
  PackageException(int code, std::string message);
  ~PackageException() override;

  const char* what() const noexcept override;
  virtual int getErrorCode() const noexcept;

 private:
  const char* m_messagePtr;  // a text of the table, or null
  std::string m_message;     // used when m_messagePtr is null
  int m_code;
};

// A failure of the operating system's file calls.
class PackageIOException : public PackageException {
 public:
  // The system's description of the failing call; code 50.
  explicit PackageIOException(const std::string& systemMessage);
  // A code of the table with its message.
  explicit PackageIOException(int code);
  PackageIOException(int code, std::string message);
  ~PackageIOException() override;
};

}  // namespace pkg
