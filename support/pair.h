#pragma once

namespace vesko {
inline namespace version_1 {

// A plain pair of values, compared member by member.
template <typename T1, typename T2 = T1>
struct pair {
  T1 first;
  T2 second;

  friend bool operator==(pair const& x, pair const& y) {
    return x.first == y.first && x.second == y.second;
  }
  friend bool operator!=(pair const& x, pair const& y) { return !(x == y); }
};

}  // namespace version_1
}  // namespace vesko
