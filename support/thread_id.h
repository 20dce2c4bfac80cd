#pragma once

namespace vesko {

using thread_id_t = int;

// The library is built without thread support: one identity per process.
thread_id_t thread_id() noexcept;

}  // namespace vesko
