// Compiled by CTest: with PLEXAR_GOOD it must build, without it must not.
#include "platform/widechar/Format.h"

std::u16string f() {
#ifdef PLEXAR_GOOD
  return platform::FormatToString(u"%d items in %s", 3, u"box");
#else
  return platform::FormatToString(u"%d items in %s", 3, 4);
#endif
}
