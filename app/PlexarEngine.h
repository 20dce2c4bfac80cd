#pragma once

#include <cstdint>
#include <string>

#include "app/IEngine.h"
#include "engine/CZorbPlexar.h"

// The program's engine behind the movie interface: the extension engine
// object with what the start-up hand-shake and the UI adapter give it.
class PlexarEngine final : public IEngine {
 public:
  PlexarEngine() : m_plexar(nullptr) {}
  // Stops the messaging library when the start-up set it up.
  ~PlexarEngine() override;

  void SetUI(CZorbPlexarUI* ui) override { m_plexar.SetUI(ui); }
  CZorbPlexarUI* GetUI() const override { return m_plexar.GetUI(); }
  int32_t Init() override { return m_plexar.Init(); }
  void SetLastErrorText(const CString& text) override { m_plexar.m_lastError = text; }
  // Host products take it for their own texts.
  void SetDefaultProductLocale(const CString& locale) override;
  const CZorbPlexar* GetPlexar() const override { return &m_plexar; }
  CZorbPlexar* GetMutablePlexar() override { return &m_plexar; }
  CZorbPlexar* MutablePlexar() override { return &m_plexar; }
  void CancelWaits() override { m_plexar.CancelWaits(); }

  CZorbPlexar& plexar() { return m_plexar; }

  // The program's services for the start-up: this engine and the
  // messaging library.
  static void InstallServices();
  // Sets the library up for specifier on the calling thread; on success
  // the products' running test and the engine's sending go through it.
  static bool InitMessaging(const std::string& specifier);
  static std::string LaunchOptions();
  // Stops what InitMessaging set up; nothing when it set nothing up.
  static void StopMessaging();
  // The library's ping, its answer as bytes; empty when nothing answered.
  static std::string PingHost(const char* target, const char* key, int32_t timeoutSeconds);
  // Sends body to target through the program's messaging instance without
  // waiting; false when there is no instance or it was not sent.
  static bool SendToHost(const std::string& target, const std::string& body);
  static bool HasMessagingInstance();

 private:
  CZorbPlexar m_plexar;
};
