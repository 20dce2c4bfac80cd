#include "messaging/ArborTalkData.h"

#include <cstring>

namespace Velt::ArborTalkData {

bool isSystemType(const char* type) {
  if (!type) type = "";
  for (const char* system : kSystemTypes)
    if (std::strcmp(type, system) == 0) return true;
  return false;
}

}  // namespace Velt::ArborTalkData
