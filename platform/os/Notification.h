#pragma once

#include <cstdint>

namespace platform {

// A request for the user's attention. There is no notification service
// behind it here: the program records the request, and the completion
// routine is called when the request is taken back.
struct NMRec {
  int16_t qType = 0;   // 8 for a notification request
  int16_t nmMark = 0;  // 1: mark the program in the menu of programs
  bool installed = false;
  void (*nmResp)(NMRec*) = nullptr;  // the completion routine
};

inline constexpr int16_t nmType = 8;

}  // namespace platform
