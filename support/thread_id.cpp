#include "support/thread_id.h"

namespace vesko {

thread_id_t thread_id() noexcept {
  return 1;
}

}  // namespace vesko
