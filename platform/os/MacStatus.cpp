#include "platform/os/MacStatus.h"

#include <cerrno>

namespace platform {

int32_t macStatusFromErrno(int err) {
  switch (err) {
    case 0:
      return noErr;
    case ENOENT:
      return fnfErr;
    case EEXIST:
      return dupFNErr;
    case ENOSPC:
      return dskFulErr;
    case EBUSY:
    case ENOTEMPTY:
      return fBsyErr;
    case EACCES:
    case EPERM:
      return afpAccessDenied;
    case EROFS:
      return vLckdErr;
    case EINVAL:
      return paramErr;
    case ENAMETOOLONG:
      return bdNamErr;
    case EXDEV:
      return diffVolErr;
    case EMFILE:
      return tmfoErr;
    default:
      return ioErr;
  }
}

}  // namespace platform
