#pragma once

#include <cstdint>

namespace platform {

// Statuses in the classic signed 32-bit form: 0 for success, negative for failure.
inline constexpr int32_t noErr = 0;
inline constexpr int32_t dskFulErr = -34;
inline constexpr int32_t ioErr = -36;
inline constexpr int32_t bdNamErr = -37;
inline constexpr int32_t fnOpnErr = -38;
inline constexpr int32_t eofErr = -39;
inline constexpr int32_t posErr = -40;
inline constexpr int32_t tmfoErr = -42;
inline constexpr int32_t fnfErr = -43;
inline constexpr int32_t wPrErr = -44;
inline constexpr int32_t fLckdErr = -45;
inline constexpr int32_t vLckdErr = -46;
inline constexpr int32_t fBsyErr = -47;
inline constexpr int32_t dupFNErr = -48;
inline constexpr int32_t opWrErr = -49;
inline constexpr int32_t paramErr = -50;
inline constexpr int32_t rfNumErr = -51;
inline constexpr int32_t permErr = -54;
inline constexpr int32_t wrPermErr = -61;
inline constexpr int32_t memFullErr = -108;
inline constexpr int32_t dirNFErr = -120;
inline constexpr int32_t notAFileErr = -1302;
inline constexpr int32_t diffVolErr = -1303;
inline constexpr int32_t errFSForkNotFound = -1409;
inline constexpr int32_t errFSNoMoreItems = -1417;
inline constexpr int32_t afpAccessDenied = -5000;

// The one errno -> status table of the system. 0 maps to noErr; anything not
// listed becomes ioErr.
int32_t macStatusFromErrno(int err);

}  // namespace platform
