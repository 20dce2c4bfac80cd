#include "platform/ulp/VskoUlpStage.h"

#include "platform/ulp/UlpPlayer.h"
#include "platform/ulp/UlpTesting.h"

namespace {
constexpr int32_t kStageArgsVersion = 1;
}

std::unique_ptr<VskoUlpStage> VskoUlpStage::initWithFrame(const UlpRect& frame,
                                                          const UlpStageArgs& args) {
  if (!UlpIsInitialized() || args.version != kStageArgsVersion || ulp::testing::stageFails())
    return nullptr;
  return std::unique_ptr<VskoUlpStage>(new VskoUlpStage(frame));
}

VskoUlpStage::VskoUlpStage(const UlpRect& frame)
    : m_frame(frame), m_player(std::make_unique<UlpPlayer>()) {}

VskoUlpStage::~VskoUlpStage() {
  if (m_delegate) m_delegate->vskoUlpStageWillDealloc(this);
  m_player.reset();
}
