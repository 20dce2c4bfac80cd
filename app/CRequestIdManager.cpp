#include "app/CRequestIdManager.h"

#include "app/CTAMBFrontController.h"
#include "foundation/Logger.h"
#include "support/string_t.h"

struct CRequestIdManager::Waiter {
  CBrioCommand* cmd;
  bool done = false;
  bool answered = false;
};

CRequestIdManager* CRequestIdManager::getInstance() {
  static CRequestIdManager* instance = new CRequestIdManager;
  return instance;
}

void CRequestIdManager::getRequestIdToBrio(std::string& out) {
  out = "-" + std::to_string(m_nextId.fetch_add(1));
}

void CRequestIdManager::cancel(CBrioCommand* cmd) {
  cmd->setArguments(makeArguments({cmd->getRequestId()}));
  cmd->setCancelled(true);
}

bool CRequestIdManager::SendRequestAndWait(CBrioCommand* cmd, const ArgumentVector& args) {
  return SendRequestAndWait(cmd, [&] {
    CTAMBFrontController::getInstance()->sendCallbackMessage(cmd->getCommandName(), args);
  });
}

bool CRequestIdManager::SendCallbackAndWait(CBrioCommand* cmd, const ArgumentVector& args) {
  return SendRequestAndWait(cmd, [&] {
    CTAMBFrontController::getInstance()->sendCallbackMessage(cmd->getCommandCBName(), args);
  });
}

bool CRequestIdManager::SendRequestAndWait(CBrioCommand* cmd, const std::function<void()>& post) {
  const std::string id = cmd->getRequestId();
  Waiter waiter{cmd};
  {
    std::lock_guard<std::mutex> lock(m_waitMutex);
    cmd->setCancelled(false);
    if (m_cancelling) {
      cancel(cmd);
      return false;
    }
    if (m_waitTable.count(id)) {
      Logger::write(Logger::kError, "Duplicate request Id existing, id is " + id, __FILE__,
                    __LINE__);
      cancel(cmd);
      return false;
    }
    m_waitTable[id] = &waiter;
  }

  // The entry must go whatever happens: it points at this frame.
  struct Unregister {
    CRequestIdManager& manager;
    const std::string& id;
    Waiter& waiter;
    ~Unregister() {
      std::lock_guard<std::mutex> lock(manager.m_waitMutex);
      auto it = manager.m_waitTable.find(id);
      if (it != manager.m_waitTable.end() && it->second == &waiter) manager.m_waitTable.erase(it);
    }
  } unregister{*this, id, waiter};

  // Posted without the lock: the answer may even arrive inside post.
  post();

  std::unique_lock<std::mutex> lock(m_waitMutex);
  // Only the waiter's own flag ends the wait: a wake-up without it, or an
  // answer for another id, leads back into the wait.
  while (!waiter.done) {
    ++m_inWait;
    ++m_waitsEntered;
    m_cond.wait(lock);
    --m_inWait;
  }
  return waiter.answered;
}

bool CRequestIdManager::NotifyCommand(const std::string& id, const ArgumentVector& args) {
  {
    std::lock_guard<std::mutex> lock(m_waitMutex);
    auto it = m_waitTable.find(id);
    if (it == m_waitTable.end()) {
      Logger::write(Logger::kDebug, "Can not find requestId " + id, __FILE__, __LINE__);
      return true;
    }
    Waiter* waiter = it->second;
    waiter->cmd->setArguments(args);
    waiter->done = true;
    waiter->answered = true;
    m_waitTable.erase(it);
  }
  m_cond.notify_all();
  return true;
}

bool CRequestIdManager::getBrioState() {
  std::lock_guard<std::mutex> lock(m_stateMutex);
  return m_brioState;
}

void CRequestIdManager::setBrioStateOK() {
  std::lock_guard<std::mutex> lock(m_stateMutex);
  m_brioState = true;
}

void CRequestIdManager::cancelAllWaits() {
  {
    std::lock_guard<std::mutex> lock(m_waitMutex);
    m_cancelling = true;
    for (auto& [id, waiter] : m_waitTable) {
      cancel(waiter->cmd);
      waiter->done = true;
    }
    m_waitTable.clear();
  }
  m_cond.notify_all();
}

bool CRequestIdManager::isCancellingWaits() const {
  std::lock_guard<std::mutex> lock(m_waitMutex);
  return m_cancelling;
}

size_t CRequestIdManager::waitingCount() const {
  std::lock_guard<std::mutex> lock(m_waitMutex);
  return m_waitTable.size();
}

size_t CRequestIdManager::threadsInWait() const {
  std::lock_guard<std::mutex> lock(m_waitMutex);
  return m_inWait;
}

uint64_t CRequestIdManager::waitsEntered() const {
  std::lock_guard<std::mutex> lock(m_waitMutex);
  return m_waitsEntered;
}

void CRequestIdManager::wakeWaitersForTest() {
  m_cond.notify_all();
}

void CRequestIdManager::resetForTest() {
  {
    std::lock_guard<std::mutex> lock(m_waitMutex);
    m_waitTable.clear();
    m_cancelling = false;
    m_inWait = 0;
  }
  m_nextId = 1;
  std::lock_guard<std::mutex> lock(m_stateMutex);
  m_brioState = false;
}
