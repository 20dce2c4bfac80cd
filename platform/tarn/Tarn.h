#pragma once

// The product-configuration library: read and write access to the product
// database (values by domain, subdomain and key) and read access to the
// installer database (payloads, their collections and their values by
// domain and key). It is the shared library libvesko_tarn.so, loaded at run
// time; callers bind these functions by name.
//
// Every texts list is an array of C strings ended by a null pointer, and
// every value a C string; both belong to the session that delivered them and
// stay valid until it closes. Lists come in the order in which their items
// were first stored. A failing call leaves its out-arguments untouched.
//
// Where the databases live is read from the file "vesko_tarn.conf" beside
// the library (see TarnSchema.h), each time a session opens.

#include <cstdint>

// The library exports only these functions.
#define TARN_API __attribute__((visibility("default")))

extern "C" {

typedef struct tarnSessionRec* tarniSession;
typedef int32_t tarnDomain;
typedef int32_t tarnInstallState;
typedef int32_t tarnStatus;
typedef const char** tarnTextList;

enum {
  kTarnSuccess = 0,
  // A null argument, or a session of the other database.
  kTarnBadArgument = 1,
  // The database file is missing or cannot be opened.
  kTarnNoDatabase = 2,
  // The database refused the request, or is not a database of this library.
  kTarnDatabaseError = 3,
  kTarnOutOfMemory = 4,
  // Nothing is stored under the name or names asked for.
  kTarnNoData = 8,
};

// The install state of a payload that is installed.
enum { kTarnInstalled = 4 };

// The product database. It is never created by opening it.
TARN_API tarnStatus pdbOpenSessionNoCreate(tarniSession* session);
TARN_API tarnStatus pdbCloseSession(tarniSession session);
TARN_API tarnStatus pdbGetDomainDataSubdomains(tarniSession session, tarnDomain domain,
                                               tarnTextList* subdomains);
TARN_API tarnStatus pdbGetDomainDataKeys(tarniSession session, tarnDomain domain,
                                         const char* subdomain, tarnTextList* keys);
TARN_API tarnStatus pdbGetDomainData(tarniSession session, tarnDomain domain, const char* subdomain,
                                     const char* key, const char** value);
// A new key goes after the keys stored before; a stored key keeps its place.
TARN_API tarnStatus pdbSetDomainData(tarniSession session, tarnDomain domain, const char* subdomain,
                                     const char* key, const char* value);
TARN_API tarnStatus pdbRemoveDomainData(tarniSession session, tarnDomain domain,
                                        const char* subdomain, const char* key);
TARN_API tarnStatus pdbGetLastModTime(uint32_t* time);

// The installer database, read only.
TARN_API tarnStatus tarnOpenSession(tarniSession* session);
TARN_API tarnStatus tarnCloseSession(tarniSession session);
TARN_API tarnStatus tarnGetCollectionPayloads(tarniSession session, tarnInstallState state,
                                              const char* collection, tarnTextList* payloads);
TARN_API tarnStatus tarnGetPayloadDataKeys(tarniSession session, const char* payload,
                                           tarnDomain domain, tarnTextList* keys);
TARN_API tarnStatus tarnGetPayloadData(tarniSession session, const char* payload, tarnDomain domain,
                                       const char* key, const char** value);
TARN_API tarnStatus tarnGetPayloads(tarniSession session, tarnInstallState state,
                                    tarnTextList* payloads);
TARN_API tarnStatus tarnGetLastModTime(uint32_t* time);

// For tests: use these database files in place of the configured ones
// (null for either goes back to the configuration file).
TARN_API tarnStatus tarnTestSetDatabasePaths(const char* productDatabase,
                                             const char* installerDatabase);

// The functions' types, for callers that bind them at run time.
typedef tarnStatus (*pdbOpenSessionNoCreateFunc)(tarniSession*);
typedef tarnStatus (*pdbCloseSessionFunc)(tarniSession);
typedef tarnStatus (*pdbGetDomainDataSubdomainsFunc)(tarniSession, tarnDomain, tarnTextList*);
typedef tarnStatus (*pdbGetDomainDataKeysFunc)(tarniSession, tarnDomain, const char*,
                                               tarnTextList*);
typedef tarnStatus (*pdbGetDomainDataFunc)(tarniSession, tarnDomain, const char*, const char*,
                                           const char**);
typedef tarnStatus (*pdbSetDomainDataFunc)(tarniSession, tarnDomain, const char*, const char*,
                                           const char*);
typedef tarnStatus (*pdbRemoveDomainDataFunc)(tarniSession, tarnDomain, const char*, const char*);
typedef tarnStatus (*tarnOpenSessionFunc)(tarniSession*);
typedef tarnStatus (*tarnCloseSessionFunc)(tarniSession);
typedef tarnStatus (*tarnGetCollectionPayloadsFunc)(tarniSession, tarnInstallState, const char*,
                                                    tarnTextList*);
typedef tarnStatus (*tarnGetPayloadDataKeysFunc)(tarniSession, const char*, tarnDomain,
                                                 tarnTextList*);
typedef tarnStatus (*tarnGetPayloadDataFunc)(tarniSession, const char*, tarnDomain, const char*,
                                             const char**);
typedef tarnStatus (*tarnGetPayloadsFunc)(tarniSession, tarnInstallState, tarnTextList*);
typedef tarnStatus (*tarnGetLastModTimeFunc)(uint32_t*);
typedef tarnStatus (*pdbGetLastModTimeFunc)(uint32_t*);
typedef tarnStatus (*tarnTestSetDatabasePathsFunc)(const char*, const char*);

}  // extern "C"
