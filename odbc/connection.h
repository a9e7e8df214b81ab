// Connections: the keys of a DSN (odbc.ini) or connection string, the
// engine database they open, transactions and the connection attributes.
//
// Keys (names without regard to case): DSN, DRIVER, System (the host's name
// or address), Library (the database's library), UID/PWD, Network (ehn or
// tcp), Port, Tls (0/1), TlsCaFile, SettingsFile (default: the usual
// MV400.INI search), Transaction (commitment control, default 1), NewSession
// (a host session of the connection's own, default 1), Naming (sql or
// system, default sql). A key of the connection string wins over the DSN's.
//
// The client library's settings are one per process: the first connection
// decides them (a settings file of the driver's own when Network, Port, Tls
// or TlsCaFile are given), and a connection asking other ones while others
// are open is refused with 08001.
#ifndef VANTORA_ODBC_CONNECTION_H_
#define VANTORA_ODBC_CONNECTION_H_

#include <map>
#include <string>

#include "odbc/handles.h"

namespace vantora::odbc {

// Keys of a connection, upper-cased names.
using ConnectionKeys = std::map<std::string, std::string>;

// "KEY=value;KEY={value;with;semicolons};..." into keys (names upper-cased).
ConnectionKeys ParseConnectionString(const std::string& text);
// The keys of `dsn` in odbc.ini (through the driver manager's installer library).
void AddDsnKeys(const std::string& dsn, ConnectionKeys* keys);

// Opens the connection with `keys`.
SQLRETURN Open(Dbc* dbc, const ConnectionKeys& keys);

// The database of library `library` for the catalogue functions: the
// connection's own, or another library opened read-only on first use. Null
// with `*missing` true when the host has no such library, null with
// diagnostics in `diag` when it could not be opened.
VdbDatabase* LibraryDatabase(Dbc* dbc, const std::string& library, bool* missing,
                             Diagnostics& diag);

// Commits after a statement of a connection in autocommit mode.
SQLRETURN AutoCommit(Dbc* dbc, Diagnostics& diag);

}  // namespace vantora::odbc

#endif  // VANTORA_ODBC_CONNECTION_H_
