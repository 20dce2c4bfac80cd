#pragma once

// The layout of the product-configuration databases and of the library's
// configuration file; the library and the tests' fixture builder share it.

namespace tarn {

// The configuration file beside the library: "key = value" lines, "#"
// starts a comment line. Unset keys keep the built-in defaults.
inline constexpr char kConfigFileName[] = "vesko_tarn.conf";
inline constexpr char kProductDatabaseKey[] = "product_database";
inline constexpr char kInstallerDatabaseKey[] = "installer_database";
inline constexpr char kDefaultProductDatabase[] =
    "/Library/Application Support/Vesko/Tarn/ProductDatabase.db";
inline constexpr char kDefaultInstallerDatabase[] =
    "/Library/Application Support/Vesko/Tarn/InstallerDatabase.db";

// Rows keep the order of their first insertion in "seq"; an update of a
// stored key keeps its row.
inline constexpr char kProductSchema[] =
    "CREATE TABLE IF NOT EXISTS domain_data ("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    " domain INTEGER NOT NULL,"
    " subdomain TEXT NOT NULL,"
    " key TEXT NOT NULL,"
    " value TEXT NOT NULL,"
    " UNIQUE (domain, subdomain, key));";

inline constexpr char kInstallerSchema[] =
    "CREATE TABLE IF NOT EXISTS payloads ("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    " payload TEXT NOT NULL UNIQUE,"
    " install_state INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS collection_payloads ("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    " collection TEXT NOT NULL,"
    " payload TEXT NOT NULL,"
    " UNIQUE (collection, payload));"
    "CREATE TABLE IF NOT EXISTS payload_data ("
    " seq INTEGER PRIMARY KEY AUTOINCREMENT,"
    " payload TEXT NOT NULL,"
    " domain INTEGER NOT NULL,"
    " key TEXT NOT NULL,"
    " value TEXT NOT NULL,"
    " UNIQUE (payload, domain, key));";

}  // namespace tarn
