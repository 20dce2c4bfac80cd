#include "messaging/VtVector.h"

#include <climits>
#include <cstring>

namespace Velt {

namespace {
constexpr int32_t kGrowth = 32;
}

VtVectorBase::VtVectorBase() : mArray(mallocThis<void*>(kGrowth)), mCapacity(kGrowth) {}

VtVectorBase::VtVectorBase(const VtVectorBase& other)
    : VtHeap(other),
      mArray(mallocThis<void*>(static_cast<std::size_t>(other.mCapacity))),
      mCount(other.mCount),
      mCapacity(other.mCapacity) {
  if (mCount > 0)
    std::memcpy(mArray, other.mArray, sizeof(void*) * static_cast<std::size_t>(mCount));
}

VtVectorBase& VtVectorBase::operator=(const VtVectorBase& other) {
  if (this == &other) return *this;
  void** array = mallocThis<void*>(static_cast<std::size_t>(other.mCapacity));
  if (other.mCount > 0)
    std::memcpy(array, other.mArray, sizeof(void*) * static_cast<std::size_t>(other.mCount));
  freeThis(mArray);
  mArray = array;
  mCount = other.mCount;
  mCapacity = other.mCapacity;
  return *this;
}

VtVectorBase::~VtVectorBase() {
  freeThis(mArray);
}

void VtVectorBase::append(void* p) {
  if (mCount == mCapacity) {
    if (mCapacity > INT32_MAX - kGrowth) throw std::bad_alloc();
    int32_t capacity = mCapacity + kGrowth;
    void** array = mallocThis<void*>(static_cast<std::size_t>(capacity));
    if (mCount > 0) std::memcpy(array, mArray, sizeof(void*) * static_cast<std::size_t>(mCount));
    freeThis(mArray);
    mArray = array;
    mCapacity = capacity;
  }
  mArray[mCount++] = p;
}

void VtVectorBase::remove(void* p) {
  for (int32_t i = 0; i < mCount; ++i) {
    if (mArray[i] == p) {
      removeAt(i);
      return;
    }
  }
}

void* VtVectorBase::removeAt(int32_t index) {
  if (index < 0 || index >= mCount) return nullptr;
  void* p = mArray[index];
  std::memmove(mArray + index, mArray + index + 1,
               sizeof(void*) * static_cast<std::size_t>(mCount - index - 1));
  --mCount;
  return p;
}

}  // namespace Velt
