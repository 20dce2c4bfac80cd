#include "platform/tarn/Tarn.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <new>

#include "platform/tarn/TarnConfig.h"
#include "platform/tarn/TarnSession.h"

using Kind = tarnSessionRec::Kind;

namespace {

// Nothing may leave the library as an exception.
template <class F>
tarnStatus guarded(F&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return kTarnOutOfMemory;
  } catch (...) {
    return kTarnDatabaseError;
  }
}

tarnStatus openSession(Kind kind, tarniSession* session) {
  if (session == nullptr) return kTarnBadArgument;
  return guarded([&] {
    const tarn::DatabasePaths paths = tarn::databasePaths();
    auto opened = std::make_unique<tarnSessionRec>(kind);
    if (tarnStatus status =
            opened->open(kind == Kind::Product ? paths.product : paths.installer, paths.throwaway))
      return status;
    *session = opened.release();
    return tarnStatus{kTarnSuccess};
  });
}

tarnStatus closeSession(Kind kind, tarniSession session) {
  if (session == nullptr || session->kind() != kind) return kTarnBadArgument;
  delete session;
  return kTarnSuccess;
}

bool isKind(tarniSession session, Kind kind) {
  return session != nullptr && session->kind() == kind;
}

tarnStatus lastModTime(bool product, uint32_t* time) {
  if (time == nullptr) return kTarnBadArgument;
  return guarded([&] {
    const tarn::DatabasePaths paths = tarn::databasePaths();
    std::error_code ec;
    const auto stamp =
        std::filesystem::last_write_time(product ? paths.product : paths.installer, ec);
    if (ec) return tarnStatus{kTarnNoDatabase};
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(stamp).time_since_epoch());
    *time = static_cast<uint32_t>(seconds.count());
    return tarnStatus{kTarnSuccess};
  });
}

}  // namespace

extern "C" {

tarnStatus pdbOpenSessionNoCreate(tarniSession* session) {
  return openSession(Kind::Product, session);
}

tarnStatus pdbCloseSession(tarniSession session) {
  return closeSession(Kind::Product, session);
}

tarnStatus pdbGetDomainDataSubdomains(tarniSession session, tarnDomain domain,
                                      tarnTextList* subdomains) {
  if (!isKind(session, Kind::Product)) return kTarnBadArgument;
  return guarded([&] {
    return session->list(
        "SELECT subdomain FROM domain_data WHERE domain = ?1 GROUP BY subdomain ORDER BY MIN(seq)",
        {domain}, subdomains);
  });
}

tarnStatus pdbGetDomainDataKeys(tarniSession session, tarnDomain domain, const char* subdomain,
                                tarnTextList* keys) {
  if (!isKind(session, Kind::Product)) return kTarnBadArgument;
  return guarded([&] {
    return session->list(
        "SELECT key FROM domain_data WHERE domain = ?1 AND subdomain = ?2 ORDER BY seq",
        {domain, subdomain}, keys);
  });
}

tarnStatus pdbGetDomainData(tarniSession session, tarnDomain domain, const char* subdomain,
                            const char* key, const char** value) {
  if (!isKind(session, Kind::Product)) return kTarnBadArgument;
  return guarded([&] {
    return session->value(
        "SELECT value FROM domain_data WHERE domain = ?1 AND subdomain = ?2 AND key = ?3",
        {domain, subdomain, key}, value);
  });
}

tarnStatus pdbSetDomainData(tarniSession session, tarnDomain domain, const char* subdomain,
                            const char* key, const char* value) {
  if (!isKind(session, Kind::Product)) return kTarnBadArgument;
  return guarded([&] {
    return session->change(
        "INSERT INTO domain_data (domain, subdomain, key, value) VALUES (?1, ?2, ?3, ?4) "
        "ON CONFLICT (domain, subdomain, key) DO UPDATE SET value = excluded.value",
        {domain, subdomain, key, value});
  });
}

tarnStatus pdbRemoveDomainData(tarniSession session, tarnDomain domain, const char* subdomain,
                               const char* key) {
  if (!isKind(session, Kind::Product)) return kTarnBadArgument;
  return guarded([&] {
    return session->change(
        "DELETE FROM domain_data WHERE domain = ?1 AND subdomain = ?2 AND key = ?3",
        {domain, subdomain, key});
  });
}

tarnStatus pdbGetLastModTime(uint32_t* time) {
  return lastModTime(true, time);
}

tarnStatus tarnOpenSession(tarniSession* session) {
  return openSession(Kind::Installer, session);
}

tarnStatus tarnCloseSession(tarniSession session) {
  return closeSession(Kind::Installer, session);
}

tarnStatus tarnGetCollectionPayloads(tarniSession session, tarnInstallState state,
                                     const char* collection, tarnTextList* payloads) {
  if (!isKind(session, Kind::Installer)) return kTarnBadArgument;
  return guarded([&] {
    return session->list(
        "SELECT c.payload FROM collection_payloads c JOIN payloads p ON p.payload = c.payload "
        "WHERE c.collection = ?1 AND p.install_state = ?2 ORDER BY c.seq",
        {collection, state}, payloads);
  });
}

tarnStatus tarnGetPayloadDataKeys(tarniSession session, const char* payload, tarnDomain domain,
                                  tarnTextList* keys) {
  if (!isKind(session, Kind::Installer)) return kTarnBadArgument;
  return guarded([&] {
    return session->list(
        "SELECT key FROM payload_data WHERE payload = ?1 AND domain = ?2 ORDER BY seq",
        {payload, domain}, keys);
  });
}

tarnStatus tarnGetPayloadData(tarniSession session, const char* payload, tarnDomain domain,
                              const char* key, const char** value) {
  if (!isKind(session, Kind::Installer)) return kTarnBadArgument;
  return guarded([&] {
    return session->value(
        "SELECT value FROM payload_data WHERE payload = ?1 AND domain = ?2 AND key = ?3",
        {payload, domain, key}, value);
  });
}

tarnStatus tarnGetPayloads(tarniSession session, tarnInstallState state, tarnTextList* payloads) {
  if (!isKind(session, Kind::Installer)) return kTarnBadArgument;
  return guarded([&] {
    return session->list("SELECT payload FROM payloads WHERE install_state = ?1 ORDER BY seq",
                         {state}, payloads);
  });
}

tarnStatus tarnGetLastModTime(uint32_t* time) {
  return lastModTime(false, time);
}

tarnStatus tarnTestSetDatabasePaths(const char* productDatabase, const char* installerDatabase) {
  return guarded([&] {
    tarn::setTestPaths(productDatabase, installerDatabase);
    return tarnStatus{kTarnSuccess};
  });
}

}  // extern "C"
