// An SQL failure as a DB2 user sees it: the SQLCODE, the SQLSTATE and the
// replacement text of the message (SQL0204's object name, SQL0104's token).
// SQLCODE 0 is success, 100 is "no row", other positive codes are warnings.
#ifndef VANTORA_HOST_SERVER_SQL_SQL_ERROR_H_
#define VANTORA_HOST_SERVER_SQL_SQL_ERROR_H_

#include <cstdint>
#include <string>

namespace vantora::host::sql {

struct SqlError {
  int32_t code = 0;             // SQLCODE
  std::string state = "00000";  // SQLSTATE, 5 characters
  std::string text;             // replacement text, at most 70 bytes travel

  bool ok() const { return code >= 0; }
};

inline SqlError SqlOk() {
  return {};
}
inline SqlError SqlNoRow() {
  return {100, "02000", ""};
}

// The codes this host answers (DB2 for i meanings).
inline SqlError SqlIllegalCharacter(std::string token) {
  return {-7, "42601", std::move(token)};
}
inline SqlError SqlUnterminatedString(std::string start) {
  return {-10, "42603", std::move(start)};
}
inline SqlError SqlNotAllowed(std::string verb) {
  return {-84, "42612", std::move(verb)};
}
inline SqlError SqlTooComplex() {
  return {-101, "54001", ""};
}
inline SqlError SqlSyntax(std::string token) {
  return {-104, "42601", std::move(token)};
}
inline SqlError SqlNameTooLong(std::string name) {
  return {-107, "42622", std::move(name)};
}
inline SqlError SqlReadOnly(std::string name) {
  return {-150, "42807", std::move(name)};
}
inline SqlError SqlAmbiguousColumn(std::string name) {
  return {-203, "42702", std::move(name)};
}
inline SqlError SqlNotFound(std::string name) {
  return {-204, "42704", std::move(name)};
}
inline SqlError SqlColumnNotFound(std::string name) {
  return {-206, "42703", std::move(name)};
}
inline SqlError SqlColumnNotInTable(std::string name) {
  return {-205, "42703", std::move(name)};
}
inline SqlError SqlNullNotAllowed() {
  return {-407, "23502", ""};
}
inline SqlError SqlNotTable(std::string name) {
  return {-156, "42809", std::move(name)};
}
inline SqlError SqlDependentObjects(std::string name) {
  return {-478, "42893", std::move(name)};
}
inline SqlError SqlObjectExists(std::string name) {
  return {-601, "42710", std::move(name)};
}
inline SqlError SqlDuplicateRows(std::string name) {
  return {-603, "23515", std::move(name)};
}
inline SqlError SqlInvalidAttribute(std::string column) {
  return {-604, "42611", std::move(column)};
}
inline SqlError SqlDuplicateColumn(std::string name) {
  return {-612, "42711", std::move(name)};
}
inline SqlError SqlPrimaryKeyExists(std::string table) {
  return {-624, "42889", std::move(table)};
}
inline SqlError SqlDuplicateKey() {
  return {-803, "23505", ""};
}
inline SqlError SqlResourceBusy() {
  return {-913, "57033", ""};
}
inline SqlError SqlObjectInUse(std::string name) {
  return {-913, "57033", std::move(name)};
}
inline SqlError SqlSystemError(std::string detail) {
  return {-901, "58004", std::move(detail)};
}
// No space left for the data directory: nothing of the statement was kept.
inline SqlError SqlStorageFull() {
  return {-904, "57011", "STORAGE"};
}

}  // namespace vantora::host::sql

#endif  // VANTORA_HOST_SERVER_SQL_SQL_ERROR_H_
