#include "foundation/CZorbTimer.h"

#include "foundation/CZorbOS.h"
#include "platform/os/Clock.h"

CZorbTimer::CZorbTimer(uint32_t durationMs) : m_duration(durationMs) {}

CZorbTimer::~CZorbTimer() = default;

uint32_t CZorbTimer::Start() {
  m_start = CZorbOS::GetTickCount();
  return m_start;
}

bool CZorbTimer::IsDone() {
  return CZorbOS::GetTickCount() - m_start >= m_duration;
}

void CZorbTimer::Wait() {
  for (;;) {
    const uint32_t elapsed = CZorbOS::GetTickCount() - m_start;
    if (elapsed >= m_duration) return;
    const uint32_t left = m_duration - elapsed;
    platform::currentClock().sleepFor(left < kPollStepMs ? left : kPollStepMs);
  }
}
