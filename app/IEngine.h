#pragma once

#include <cstdint>

#include "foundation/CString.h"

class CZorbPlexar;
class CZorbPlexarUI;

// What the movie interface asks of the extension engine: the start-up
// hand-shake gives it its UI and runs its initialisation, the UI adapter
// records the last error text, and commands reach it through their own
// interfaces. The program's engine object implements it; tests use fakes.
class IEngine {
 public:
  virtual ~IEngine() = default;

  // The UI the engine asks the person through; null until the start-up
  // hand-shake sets it. The engine does not own it.
  virtual void SetUI(CZorbPlexarUI* ui) = 0;
  virtual CZorbPlexarUI* GetUI() const = 0;

  // Loads products, stores and configuration files: 0 on success.
  virtual int32_t Init() = 0;

  // The text of the last error shown to the person.
  virtual void SetLastErrorText(const CString& text) = 0;

  // The locale that host products take for their own texts, chosen by the
  // hand-shake before Init runs.
  virtual void SetDefaultProductLocale(const CString& locale) = 0;
  // The engine object whose products the queries read; null in fakes
  // without one.
  virtual const CZorbPlexar* GetPlexar() const { return nullptr; }
  // The same engine for the commands that run its operations.
  virtual CZorbPlexar* GetMutablePlexar() { return nullptr; }
  // The same for the commands that run the engine's operations.
  virtual CZorbPlexar* MutablePlexar() { return nullptr; }
  // The program is ending: the engine's waits for hosts to quit, close or
  // start end at once as cancelled.
  virtual void CancelWaits() {}
};
