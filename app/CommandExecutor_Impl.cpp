#include "app/CommandExecutor_Impl.h"

#include <string>
#include <system_error>
#include <utility>

#include "app/CRequestIdManager.h"
#include "app/MovieConnection.h"
#include "foundation/Logger.h"
#include "platform/os/Clock.h"
#include "platform/tamb/MainLoop.h"

CommandExecutor_Impl::CommandExecutor_Impl(InitJob init) : m_init(std::move(init)) {}

CommandExecutor_Impl::~CommandExecutor_Impl() {
  stop();
  if (m_thread.joinable()) m_thread.join();
}

bool CommandExecutor_Impl::start() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_started) return true;
  try {
    m_thread = std::thread([this] { run(); });
  } catch (const std::system_error& e) {
    Logger::write(Logger::kFatal, std::string("The worker thread can't start: ") + e.what(),
                  __FILE__, __LINE__);
    return false;
  }
  m_started = true;
  return true;
}

void CommandExecutor_Impl::postMessage(std::unique_ptr<CBrioCommand> cmd) {
  if (!cmd) return;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping) return;  // shutting down: the command never runs
    m_queue.push_back(std::move(cmd));
  }
  m_cond.notify_all();
}

void CommandExecutor_Impl::postMessageToMainThread(std::unique_ptr<request_t> request) {
  MovieConnection::post(std::move(request));
}

bool CommandExecutor_Impl::getThreadID(std::thread::id* out) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_started && out) *out = m_thread.get_id();
  return m_started;
}

void CommandExecutor_Impl::stop() {
  std::deque<std::unique_ptr<CBrioCommand>> dropped;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    dropped.swap(m_queue);
  }
  m_cond.notify_all();
  CRequestIdManager::getInstance()->cancelAllWaits();
  // The dropped commands are deleted here, outside the lock.
}

bool CommandExecutor_Impl::hasEnded() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_ended;
}

bool CommandExecutor_Impl::initFailed() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_initFailed;
}

bool CommandExecutor_Impl::waitForEnd(uint32_t boundMs) {
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_started) return true;
    if (!platform::currentClock().waitFor(lock, m_cond, boundMs, [&] { return m_ended; }))
      return false;
  }
  if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
  return true;
}

size_t CommandExecutor_Impl::queuedCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_queue.size();
}

void CommandExecutor_Impl::run() {
  if (m_init()) {
    for (;;) {
      std::unique_ptr<CBrioCommand> cmd;
      {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cond.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_stopping) break;
        cmd = std::move(m_queue.front());
        m_queue.pop_front();
      }
      // Outside the lock: a command may take long, and the main thread
      // goes on queueing meanwhile. The command is deleted once it ran.
      cmd->doComand();
    }
  } else {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_initFailed = !m_stopping;
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ended = true;
  }
  m_cond.notify_all();
  if (m_endedHandler) m_endedHandler();
  // The main loop may be waiting for the worker's end.
  MovieConnection::mainLoop().wake();
}
