#include "foundation/CZorbGetXMLProxy.h"

#include <atomic>

namespace {

// Installed on the main thread, read on the worker.
std::atomic<CZorbGetXMLProxy*> g_proxy{nullptr};

}  // namespace

CZorbGetXMLProxy::CZorbGetXMLProxy() = default;

CZorbGetXMLProxy::~CZorbGetXMLProxy() {
  // A proxy that goes away must not stay reachable.
  CZorbGetXMLProxy* self = this;
  g_proxy.compare_exchange_strong(self, nullptr);
}

CString CZorbGetXMLProxy::getValue(const CString& key) const {
  CString value;
  m_results.Lookup(key, value);
  return value;
}

CZorbGetXMLProxy* CZorbGetXMLProxy::GetInstance() {
  return g_proxy.load();
}

void CZorbGetXMLProxy::SetInstance(CZorbGetXMLProxy* proxy) {
  g_proxy.store(proxy);
}
