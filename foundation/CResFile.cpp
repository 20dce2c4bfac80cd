#include "foundation/CResFile.h"

#include "platform/os/Fork.h"
#include "platform/os/MacStatus.h"

int32_t CResFile::GetForkName(platform::HFSUniStr255& name) {
  name = platform::resourceForkName();
  return platform::noErr;
}
