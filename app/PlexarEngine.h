#pragma once

#include <cstdint>

#include "app/IEngine.h"
#include "engine/CZorbPlexar.h"

// The program's engine behind the movie interface: the extension engine
// object with what the start-up hand-shake and the UI adapter give it.
class PlexarEngine final : public IEngine {
 public:
  PlexarEngine() : m_plexar(nullptr) {}

  void SetUI(CZorbPlexarUI* ui) override { m_plexar.SetUI(ui); }
  CZorbPlexarUI* GetUI() const override { return m_plexar.GetUI(); }
  int32_t Init() override { return m_plexar.Init(); }
  void SetLastErrorText(const CString& text) override { m_plexar.m_lastError = text; }
  // Host products take it for their own texts.
  void SetDefaultProductLocale(const CString& locale) override;
  const CZorbPlexar* GetPlexar() const override { return &m_plexar; }

  CZorbPlexar& plexar() { return m_plexar; }

 private:
  CZorbPlexar m_plexar;
};
