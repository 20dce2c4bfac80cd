#include "validator/ValidationRequest.h"

#include <cerrno>
#include <cstring>

namespace nimbrel {

namespace {

constexpr char kPackageKind[] = "0";
constexpr char kBundleKind[] = "1";
constexpr char kYes[] = "1";
constexpr char kNo[] = "0";
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr char kEllipsis[] = "\u2026";
constexpr size_t kEllipsisBytes = sizeof kEllipsis - 1;
constexpr size_t kReadChunk = 64u << 10;

bool continuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::string ValidationRequest::oneLine(const std::string& text) {
  std::string line = text;
  for (char& c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < kFirstPrintable || byte == kDelete) c = ' ';
  }
  return line;
}

std::string ValidationRequest::shortened(const std::string& text, size_t limit) {
  if (text.size() <= limit || limit < kEllipsisBytes) return text;
  size_t head = (limit - kEllipsisBytes) / 2;
  size_t tail = text.size() - (limit - kEllipsisBytes - head);
  while (head > 0 && continuationByte(text[head])) --head;
  while (tail < text.size() && continuationByte(text[tail])) ++tail;
  return text.substr(0, head) + kEllipsis + text.substr(tail);
}

bool ValidationRequest::read(std::FILE* input, std::vector<std::string>& texts,
                             std::string* reason) {
  auto refuse = [&](const std::string& why) {
    if (reason) *reason = why;
    return false;
  };
  std::string bytes;
  std::vector<char> buffer(kReadChunk);
  for (;;) {
    const size_t n = std::fread(buffer.data(), 1, buffer.size(), input);
    if (bytes.size() + n > kMaxRequestBytes)
      return refuse("the validation request is larger than " +
                    std::to_string(kMaxRequestBytes >> 20) + " MB");
    bytes.append(buffer.data(), n);
    if (n == buffer.size()) continue;
    if (std::ferror(input))
      return refuse(std::string("the validation request could not be read: ") +
                    std::strerror(errno));
    break;
  }
  if (!bytes.empty() && bytes.back() != '\0') return refuse("the validation request breaks off");
  size_t start = 0;
  for (size_t end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
    texts.push_back(bytes.substr(start, end - start));
  return true;
}

bool ValidationRequest::parse(const std::vector<std::string>& arguments, std::vector<Item>& items,
                              std::string* reason) {
  auto refuse = [&](const char* why) {
    if (reason) *reason = why;
    return false;
  };
  items.clear();
  // The suppress flag, the kind, the name and at least one path.
  if (arguments.size() < 4) return refuse("the validation request is incomplete");
  const std::string& kind = arguments[1];
  const std::string& name = arguments[2];
  if (kind == kPackageKind) {
    if (arguments.size() != 4) return refuse("the validation request names more than one package");
    items.push_back({name, arguments[3]});
    return true;
  }
  if (kind == kBundleKind) {
    if ((arguments.size() - 3) % 2 != 0)
      return refuse("the validation request has a bundle without its folder");
    for (size_t i = 3; i < arguments.size(); i += 2)
      items.push_back({arguments[i], arguments[i + 1]});
    return true;
  }
  return refuse("the validation request is of an unknown kind");
}

std::vector<std::string> ValidationRequest::answer(const std::vector<std::string>& arguments,
                                                   const SignatureValidator& validator) {
  std::vector<Item> items;
  std::string reason;
  if (!parse(arguments, items, &reason))
    return {kYes, kNo, "0", oneLine("Nimbrel: " + reason + ".")};

  bool anyInvalid = false;
  bool anyWarning = false;
  std::vector<std::string> groups;
  std::vector<std::string> messages;
  for (const Item& item : items) {
    const SignatureVerdict verdict = validator.checkPath(item.path);
    anyInvalid = anyInvalid || verdict.status == SignatureVerdict::Status::kInvalid;
    anyWarning = anyWarning || verdict.status == SignatureVerdict::Status::kWarning;
    groups.push_back(oneLine(item.name));
    groups.push_back(verdict.isSigned ? kYes : kNo);
    groups.push_back(oneLine(verdict.publisher));
    groups.push_back(verdict.certificateType);
    for (const std::string& message : verdict.messages)
      messages.push_back(oneLine(shortened(item.name) + ": " + message + "."));
  }
  std::vector<std::string> texts = {anyInvalid ? kYes : kNo, !anyInvalid && anyWarning ? kYes : kNo,
                                    std::to_string(items.size())};
  texts.insert(texts.end(), groups.begin(), groups.end());
  texts.insert(texts.end(), messages.begin(), messages.end());
  return texts;
}

}  // namespace nimbrel
