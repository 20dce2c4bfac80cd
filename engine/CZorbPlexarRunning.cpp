// Running hosts: asking them to quit, starting them again, and the
// notifications and responses sent to them.
#include <string>

#include "engine/CZorbHostMessenger.h"
#include "engine/CZorbPlexar.h"
#include "extension/CZorbExtension.h"
#include "foundation/AppGlobals.h"
#include "foundation/CZorbTimer.h"
#include "foundation/Logger.h"
#include "platform/os/Utf.h"
#include "products/CZorbProduct.h"
#include "transaction/CZorbPlexarUI.h"

namespace {

// The pause between two looks at a host that was asked to quit or start.
constexpr uint32_t kHostPollMs = 1000;
constexpr int kLaunchAttempts = 10;
// In a command-line run nobody can close a host: the question is not
// repeated beyond this.
constexpr int kUnattendedRetries = 1;

std::u16string Text(const CString& text) {
  return std::u16string(text.Get() ? text.Get() : u"", static_cast<size_t>(text.GetLength()));
}

// The low byte of each unit, as the messaging library takes specifiers.
std::string Narrow(const CString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.GetLength()));
  for (int32_t i = 0; i < text.GetLength(); ++i) out += static_cast<char>(text.GetAt(i) & 0xFF);
  return out;
}

std::string Utf8(const CString& text) {
  const std::optional<std::string> utf8 = platform::utf16ToUtf8(Text(text));
  return utf8 ? *utf8 : std::string();
}

CString Format(unsigned int id, const CString& a) {
  CString format, text;
  if (format.LoadString(id)) text.Format(platform::RuntimeFormat(format.Get()), a);
  return text;
}

void Pause() {
  CZorbTimer pause(kHostPollMs);
  pause.Start();
  pause.Wait();
}

CString NameOf(const CZorbProduct& product) {
  CString name;
  product.GetName(name);
  return name;
}

}  // namespace

void CZorbPlexar::CleanSourcePDBEntry() {
  m_notificationSource = u"UnKnown";
  m_notificationState = kNoPendingResponse;
  m_lastError.Empty();
  m_responseCode = u"0";
}

void CZorbPlexar::getNotificationOperationLabelByType(NotificationOperation op, CString& out) {
  switch (op) {
    case kNotifyEnable:
      out = u"Enable";
      break;
    case kNotifyDisable:
      out = u"Disable";
      break;
    case kNotifyUpdate:
      out = u"Update";
      break;
  }
}

void CZorbPlexar::populateNotificationByExtensionAndProduct(const CZorbExtension* extension,
                                                            NotificationOperation op,
                                                            CString& out) {
  if (extension == nullptr) {
    Logger::write(Logger::kError,
                  std::string("Unexpected error when populate notification message, pExtension "
                              "or is NULL."),
                  __FILE__, __LINE__);
    return;
  }
  CString label, name;
  getNotificationOperationLabelByType(op, label);
  extension->getDisplayName(name);
  out = CString(u"Notification") + u" " + u"Operation=\"" + label + u"\" " + u"Name=\"" + name +
        u"\" " + u"Type=\"" + extension->m_typeText + u"\"";
}

bool CZorbPlexar::IsProductRunning(const CString& specifier) {
  return CZorbHostMessenger::Current().IsRunning(Narrow(specifier));
}

bool CZorbPlexar::IsExsitedPDBEntry(const CString& specifier) {
  const CZorbHostMessenger& messenger = CZorbHostMessenger::Current();
  const std::string wanted = Narrow(specifier);
  const int32_t count = messenger.RegisteredCount();
  for (int32_t i = 0; i < count; ++i)
    if (messenger.RegisteredSpecifier(i) == wanted) return true;
  return false;
}

void CZorbPlexar::caculatePDBEntryNameByProductName(const CString& name, CString& out) {
  out.Empty();
  for (CZorbProduct* product : m_products) {
    if (product == nullptr || !product->IsAKInitializeSuccess() || !product->IsInstalled())
      continue;
    if (NameOf(*product).Compare(name) == 0) {
      out = product->m_arborName;
      return;
    }
  }
}

void CZorbPlexar::getOwnFileAndRunningProduct(const char16_t* file, CString& out) {
  for (CZorbProduct* product : m_products) {
    if (product == nullptr || !product->IsAKInitializeSuccess() || !product->IsInstalled())
      continue;
    if (product->BelongsTo(file) && product->IsRunning()) {
      out = NameOf(*product);
      return;
    }
  }
}

bool CZorbPlexar::checkWhetherProductHasPDBEntryAndRunning(CString& specifier) {
  if (specifier.GetLength() == 0) {
    if (m_pUI) m_pUI->MessageBox(Message(kMsgNoProductToNotify), CZorbPlexarUI::kNotice, false);
    return false;
  }
  if (!IsProductRunning(specifier)) {
    Logger::write(Logger::kDebug, Text(Format(kMsgHostNotAnswering, specifier)), __FILE__,
                  __LINE__);
    return false;
  }
  if (!CZorbHostMessenger::Current().HasInstance()) {
    Logger::write(Logger::kError, std::string("Plexar WB5's AK instance failed to initialize."),
                  __FILE__, __LINE__);
    if (m_pUI) m_pUI->MessageBox(Message(kMsgNoMessagingInstance), CZorbPlexarUI::kNotice, false);
    return false;
  }
  return true;
}

bool CZorbPlexar::checkWhetherProductHasPDBEntryAndRunning(const CZorbProduct* product,
                                                           CString& specifier) {
  if (product == nullptr) {
    Logger::write(Logger::kError, std::string("Unexpected error, pProduct is NULL."), __FILE__,
                  __LINE__);
    return false;
  }
  specifier = product->m_arborName;
  return checkWhetherProductHasPDBEntryAndRunning(specifier);
}

void CZorbPlexar::sendRealMessageToProduct(const CString& specifier, const CString& body) {
  if (!CZorbHostMessenger::Current().Send(Narrow(specifier), Utf8(body)) && m_pUI)
    m_pUI->MessageBox(Format(kMsgNotSent, specifier), CZorbPlexarUI::kNotice, false);
}

void CZorbPlexar::sendRealMessageToProduct(const CString& specifier) {
  CString response;
  response.Format(u"Response %d ", static_cast<int>(g_exitCode.load()));
  response += m_responseCode + u" " + m_lastError;
  sendRealMessageToProduct(specifier, response);
  CleanSourcePDBEntry();
}

void CZorbPlexar::SendAKMessageToProduct(const CZorbProduct* product, const CString& text) {
  CString specifier;
  if (checkWhetherProductHasPDBEntryAndRunning(product, specifier))
    sendRealMessageToProduct(specifier, text);
}

void CZorbPlexar::SendAKMessageToProduct() {
  CString specifier;
  switch (m_notificationState) {
    case kNoPendingResponse:
      CleanSourcePDBEntry();
      return;
    case kSourceByProductName:
      caculatePDBEntryNameByProductName(m_notificationSource, specifier);
      if (specifier.GetLength() == 0) {
        if (m_pUI)
          m_pUI->MessageBox(Format(kMsgNoSuchProduct, m_notificationSource), CZorbPlexarUI::kNotice,
                            false);
        CleanSourcePDBEntry();
        return;
      }
      break;
    case kSourceBySpecifier:
      specifier = m_notificationSource;
      break;
    default:
      Logger::write(Logger::kError,
                    std::string("Unexpected error, the source type is not a valid type."), __FILE__,
                    __LINE__);
      CleanSourcePDBEntry();
      return;
  }
  if (checkWhetherProductHasPDBEntryAndRunning(specifier)) {
    sendRealMessageToProduct(specifier);
  } else {
    // Given up: the next operation starts without it.
    CleanSourcePDBEntry();
  }
}

int CZorbPlexar::HelpShutDownPointProduct(const CZorbProduct* product, bool& relaunch,
                                          int seconds) {
  if (product == nullptr) return 1;
  if (!product->IsRunning()) return 0;
  if (product->m_quitMessage.GetLength() > 0)
    return ConfirmQuitForRunningPorduct(product, relaunch, seconds);
  return ConfirmRetryForRunningPorduct(product, relaunch);
}

CString CZorbPlexar::RunningHostQuestion(const CZorbProduct& product, unsigned int second) const {
  const CString name = NameOf(product);
  CString first, then, text;
  first.LoadString(kMsgHostRunning);
  then.LoadString(second);
  text.Format(platform::RuntimeFormat((first + u" " + then).Get()), name, name);
  return text;
}

int CZorbPlexar::ConfirmQuitForRunningPorduct(const CZorbProduct* product, bool& relaunch,
                                              int seconds) {
  if (product == nullptr) return 1;
  if (m_pUI == nullptr || m_waitsCancelled) return 1;
  const int answer = m_pUI->MessageBox(RunningHostQuestion(*product, kMsgQuitHost),
                                       CZorbPlexarUI::kQuitRunningHost, true);
  if (answer == CZorbPlexarUI::kAnswerCancel || m_waitsCancelled) return 1;
  if (!product->IsRunning()) {
    if (answer == kAnswerQuitAndRelaunch) relaunch = true;
    return 0;
  }
  if (CZorbHostMessenger::Current().HasInstance() && product->m_arborName.GetLength() > 0) {
    sendRealMessageToProduct(product->m_arborName, product->m_quitMessage);
    m_pUI->ShowWaitCursor();
    for (int i = 0; i < seconds + 1; ++i) {
      Pause();
      m_pUI->HideWaitCursor();
      if (m_waitsCancelled) return 1;
      if (!product->IsRunning()) {
        if (answer == kAnswerQuitAndRelaunch) relaunch = true;
        return 0;
      }
    }
  }
  return ConfirmRetryForRunningPorduct(product, relaunch);
}

int CZorbPlexar::ConfirmRetryForRunningPorduct(const CZorbProduct* product, bool& relaunch) {
  if (product == nullptr) return 1;
  int asked = 0;
  int answer;
  do {
    // Nobody is there to answer, or to close the host, any more.
    if (m_pUI == nullptr || m_waitsCancelled) return 1;
    if (g_isInSuppressMode && asked > kUnattendedRetries) return 1;
    answer = m_pUI->MessageBox(RunningHostQuestion(*product, kMsgCloseHost),
                               CZorbPlexarUI::kRetryWhileHostRuns, true);
    ++asked;
    if (answer == CZorbPlexarUI::kAnswerCancel || answer < 0) return 1;
  } while (product->IsRunning());
  if (answer == kAnswerRetryAndRelaunch && product->m_arborName.GetLength() > 0) relaunch = true;
  return 0;
}

void CZorbPlexar::launchPointProduct(const CZorbProduct* product) {
  if (product == nullptr) {
    Logger::write(Logger::kDebug, std::string("product is null in function launchPointProduct"),
                  __FILE__, __LINE__);
    return;
  }
  if (product->m_arborName.GetLength() == 0) {
    Logger::write(Logger::kDebug, std::string("PDBEntry is empty in function launchPointProduct"),
                  __FILE__, __LINE__);
    return;
  }
  Logger::write(Logger::kDebug, std::string("try to launch product"), __FILE__, __LINE__);
  for (int attempt = 0; attempt < kLaunchAttempts; ++attempt) {
    if (product->IsRunning() || m_waitsCancelled) return;
    if (attempt > 0) {
      Pause();
      Logger::write(Logger::kDebug, std::string("pProduct is still not running "), __FILE__,
                    __LINE__);
    }
    (void)CZorbHostMessenger::Current().Launch(Narrow(product->m_arborName));
  }
}
