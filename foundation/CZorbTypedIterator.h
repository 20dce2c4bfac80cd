#pragma once

#include <iterator>

// A walk over one of the typed containers, made on the heap by the
// container's CreateIterator or CreateReverseIterator and deleted by the
// caller. It holds the container and the current position; before the first
// Next() it stands before the first element (after the last one when
// reversed). It must not outlive the container nor the removal of its
// current element.
//
//   auto* it = list.CreateIterator();
//   while (it->Next()) use(it->Current());
//   delete it;
//
// C is the standard container, const-qualified for the const walks.
template <typename C>
class CZorbTypedIterator {
 public:
  using Position = decltype(std::declval<C&>().begin());
  using Reference = decltype(*std::declval<Position>());

  CZorbTypedIterator() = default;
  CZorbTypedIterator(C* container, bool reverse) : m_container(container), m_reverse(reverse) {}

  // Moves to the next element (the first one on the first call); false when
  // the walk has ended, and from then on.
  bool Next() {
    if (m_container == nullptr) return false;
    if (!m_started) {
      m_started = true;
      if (m_container->begin() == m_container->end()) {
        m_pos = m_container->end();
        return false;
      }
      m_pos = m_reverse ? std::prev(m_container->end()) : m_container->begin();
      return true;
    }
    if (m_pos == m_container->end()) return false;
    if (m_reverse) {
      if (m_pos == m_container->begin()) {
        m_pos = m_container->end();
        return false;
      }
      --m_pos;
      return true;
    }
    ++m_pos;
    return m_pos != m_container->end();
  }

  // True while the iterator stands on an element.
  bool IsValid() const {
    return m_container != nullptr && m_started && m_pos != m_container->end();
  }
  // The element it stands on; only while IsValid().
  Reference Current() const { return *m_pos; }

  // Back to before the first element.
  void Reset() { m_started = false; }

  C* GetContainer() const { return m_container; }
  Position GetPosition() const { return m_pos; }
  bool IsReverse() const { return m_reverse; }

  // Places the iterator on pos of container (its end: the walk has ended).
  void SetPosition(C* container, Position pos) {
    m_container = container;
    m_pos = pos;
    m_started = true;
  }

 private:
  C* m_container = nullptr;
  Position m_pos{};
  bool m_started = false;
  bool m_reverse = false;
};
