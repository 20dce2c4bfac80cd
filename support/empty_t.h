#pragma once

namespace vesko {
inline namespace version_1 {

// A value without state; any two are equal.
struct empty_t {
  friend bool operator==(empty_t, empty_t) noexcept { return true; }
  friend bool operator!=(empty_t, empty_t) noexcept { return false; }
};

}  // namespace version_1
}  // namespace vesko
