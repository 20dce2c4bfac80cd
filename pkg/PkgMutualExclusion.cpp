#include "pkg/PkgMutualExclusion.h"

namespace pkg {

PkgMutualExclusion::PkgMutualExclusion() = default;
PkgMutualExclusion::~PkgMutualExclusion() = default;

void PkgMutualExclusion::lock() {
  m_mutex.lock();
}
void PkgMutualExclusion::unlock() {
  m_mutex.unlock();
}

}  // namespace pkg
