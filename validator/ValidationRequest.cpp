#include "validator/ValidationRequest.h"

namespace nimbrel {

namespace {

constexpr char kPackageKind[] = "0";
constexpr char kBundleKind[] = "1";
constexpr char kYes[] = "1";
constexpr char kNo[] = "0";
constexpr unsigned char kDelete = 0x7F;
constexpr unsigned char kFirstPrintable = 0x20;

}  // namespace

std::string ValidationRequest::oneLine(const std::string& text) {
  std::string line = text;
  for (char& c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < kFirstPrintable || byte == kDelete) c = ' ';
  }
  return line;
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
      messages.push_back(oneLine(item.name + ": " + message + "."));
  }
  std::vector<std::string> texts = {anyInvalid ? kYes : kNo, !anyInvalid && anyWarning ? kYes : kNo,
                                    std::to_string(items.size())};
  texts.insert(texts.end(), groups.begin(), groups.end());
  texts.insert(texts.end(), messages.begin(), messages.end());
  return texts;
}

}  // namespace nimbrel
