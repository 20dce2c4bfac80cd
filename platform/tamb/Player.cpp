#include "platform/tamb/Player.h"

#include <utility>

namespace tamb {

Player::Player(MainLoop& loop) : m_loop(loop), m_shared(std::make_shared<Shared>()) {}

Player::~Player() {
  std::lock_guard<std::mutex> lock(m_shared->mutex);
  m_shared->handler = nullptr;
}

void Player::setExternalCallHandler(ExternalCallHandler handler) {
  std::lock_guard<std::mutex> lock(m_shared->mutex);
  m_shared->handler = std::move(handler);
}

void Player::load(std::unique_ptr<Movie> movie) {
  m_movie = std::move(movie);
  if (m_movie) m_movie->start(*this);
}

Value Player::invoke(const Invocation& call) {
  if (!m_movie) return {};
  return m_movie->invoke(call);
}

void Player::externalCall(const Invocation& call) {
  externalCallText(formatRequest(call));
}

void Player::externalCallText(const std::string& requestText) {
  std::weak_ptr<Shared> weak = m_shared;
  m_loop.post([weak, requestText] {
    const std::shared_ptr<Shared> shared = weak.lock();
    if (!shared) return;
    ExternalCallHandler handler;
    {
      std::lock_guard<std::mutex> lock(shared->mutex);
      handler = shared->handler;
    }
    // The handler runs without the lock: it may replace itself.
    if (handler) handler(requestText);
  });
}

uint32_t Player::attributes() const {
  std::lock_guard<std::mutex> lock(m_attributesMutex);
  return m_attributes;
}

void Player::changeAttributes(uint32_t set, uint32_t clear) {
  std::lock_guard<std::mutex> lock(m_attributesMutex);
  m_attributes = (m_attributes | set) & ~clear;
}

}  // namespace tamb
