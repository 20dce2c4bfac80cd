#include "validator/SignedContent.h"

namespace nimbrel {

ContentReader::~ContentReader() = default;
SignedContent::~SignedContent() = default;

}  // namespace nimbrel
