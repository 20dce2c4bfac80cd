#include "pkg/PackageException.h"

#include <utility>

namespace pkg {

namespace {

#define PKG_MSG(words) "PKGLIB SAMPLE ERROR MESSAGE: " words

const char* const kMessages[] = {
    PKG_MSG("NONE"),
    PKG_MSG("Out of Memory"),
    PKG_MSG("Couldn't read all bytes of CDH"),
    PKG_MSG("Bad CDH signature"),
    PKG_MSG("Could not read file name"),
    PKG_MSG("Could not read extra field"),
    PKG_MSG("Could not read file comment"),
    PKG_MSG("file size too big"),
    PKG_MSG("Bad LFH signature"),
    PKG_MSG("Too many CD entries"),
    PKG_MSG("Could not read ECD"),
    PKG_MSG("Could not find ECD"),
    PKG_MSG("Could not read Zip64 ECDL"),
    PKG_MSG("Bad Zip64 ECDL signature"),
    PKG_MSG("Could not read Zip64 ECD"),
    PKG_MSG("Bad Zip64 ECD signature"),
    PKG_MSG("Detected a Split Zip file"),
    PKG_MSG("Package already open"),
    PKG_MSG("Bad LFH size value"),
    PKG_MSG("NOT Implemented"),
    PKG_MSG("Not a Valid Package file"),
    PKG_MSG("Package Entry not found"),
    PKG_MSG("Client Error Bad Argument"),
    PKG_MSG("Client Error Unsupported Operation"),
    PKG_MSG("Package in Illegal State"),
    PKG_MSG("Directory Already Exists"),
    PKG_MSG("Package Open Write-Only"),
    PKG_MSG("Write DEFLATE Operation FAILED"),
    PKG_MSG("Package not in update"),
    PKG_MSG("Error Writing File"),
    PKG_MSG("Error Closing Package File"),
    PKG_MSG("Error Decompressing File"),
    PKG_MSG("Error Compressing File"),
    PKG_MSG("Open mode is input only"),
    PKG_MSG("Open mode is invalid"),
    PKG_MSG("Update already in progress"),
    PKG_MSG("Update requires write"),
    PKG_MSG("Update not in progress"),
    PKG_MSG("Error Opening File"),
    PKG_MSG("Error Opening Temp File"),
    PKG_MSG("Error Reading File"),
    PKG_MSG("Error Seeking"),
    PKG_MSG("Error Telling"),
    PKG_MSG("Error Flushing"),
    PKG_MSG("Error Truncating"),
    PKG_MSG("Conformance Violation"),
    PKG_MSG("Invalid mimetype file"),
    PKG_MSG("Missing mimetype file"),
    PKG_MSG("Error Creating Temp File"),
    PKG_MSG("Error Deleting Temp File"),
    PKG_MSG("UNKNOWN Error Code"),
};

#undef PKG_MSG

constexpr int kMessageCount = static_cast<int>(sizeof(kMessages) / sizeof(kMessages[0]));
static_assert(kMessageCount == kPkgErrUnknown + 1, "one message per code and the unknown text");

}  // namespace

const char* packageErrorMessage(int code) {
  if (code < 0 || code >= kMessageCount) return kMessages[kPkgErrUnknown];
  return kMessages[code];
}

PackageException::PackageException(int code)
    : m_messagePtr(packageErrorMessage(code)), m_code(code) {}

PackageException::PackageException(int code, std::string message)
    : m_messagePtr(nullptr), m_message(std::move(message)), m_code(code) {}

PackageException::~PackageException() = default;

const char* PackageException::what() const noexcept {
  return m_messagePtr ? m_messagePtr : m_message.c_str();
}

int PackageException::getErrorCode() const noexcept {
  return m_code;
}

PackageIOException::PackageIOException(const std::string& systemMessage)
    : PackageException(kPkgErrUnknown, systemMessage) {}

PackageIOException::PackageIOException(int code) : PackageException(code) {}

PackageIOException::PackageIOException(int code, std::string message)
    : PackageException(code, std::move(message)) {}

PackageIOException::~PackageIOException() = default;

}  // namespace pkg
