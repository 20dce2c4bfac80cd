#pragma once

#include <cstdint>
#include <memory>

#include "platform/ulp/Ulp.h"

struct UlpRect {
  double x;
  double y;
  double width;
  double height;
};

struct UlpStageArgs {
  int32_t version;  // 1
  int32_t flags;
  void* reserved[2];
};

class VskoUlpStage;

// What a stage tells its delegate.
class VskoUlpStageDelegateProtocol {
 public:
  virtual ~VskoUlpStageDelegateProtocol() = default;
  virtual void vskoUlpStageWillDealloc(VskoUlpStage* stage) = 0;
};

// The runtime's view: it owns one player. Nothing is drawn.
class VskoUlpStage {
 public:
  // Null when the runtime is not initialised or the arguments are not
  // version 1.
  static std::unique_ptr<VskoUlpStage> initWithFrame(const UlpRect& frame,
                                                     const UlpStageArgs& args);
  // Tells the delegate, then destroys the player: its atoms, its objects and
  // its component. Host objects still wrapped are let go through their
  // extension's disconnect callback.
  ~VskoUlpStage();
  VskoUlpStage(const VskoUlpStage&) = delete;
  VskoUlpStage& operator=(const VskoUlpStage&) = delete;

  UlpPlayer* player() const { return m_player.get(); }
  const UlpRect& frame() const { return m_frame; }
  void setStageDelegate(VskoUlpStageDelegateProtocol* delegate) { m_delegate = delegate; }
  VskoUlpStageDelegateProtocol* stageDelegate() const { return m_delegate; }

 private:
  explicit VskoUlpStage(const UlpRect& frame);

  UlpRect m_frame;
  std::unique_ptr<UlpPlayer> m_player;
  VskoUlpStageDelegateProtocol* m_delegate = nullptr;
};
