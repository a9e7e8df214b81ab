// Transactions of a database: commitment control on the host, ending the
// record-level and the SQL work of the connection together.
#ifndef VANTORA_DRIVER_CURSORS_TRANSACTIONS_H_
#define VANTORA_DRIVER_CURSORS_TRANSACTIONS_H_

#include <cstdint>

namespace vantora::driver {

// Database slot 22. Commits the work done before it (record level, then
// SQL); `outTransaction` (may be null) receives a transaction handle.
// IDAPI_ERR_NO_TRANSACTIONS, with nothing sent, on a database opened
// without commitment control.
uint16_t BeginTransaction(void* engineDatabase, uint32_t isolation, int32_t* outTransaction);

// Database slot 23. Modes IDAPI_END_COMMIT and IDAPI_END_COMMIT_KEEP
// commit, IDAPI_END_ROLLBACK rolls back: the record-level half first, the
// SQL half only when that succeeded. The handle is freed on success only.
uint16_t EndTransaction(void* engineDatabase, int32_t transaction, uint16_t mode);

// Database slot 24: IDAPI_TRANSACTION_INFO_SIZE bytes, the values 1, 0, 1.
uint16_t TransactionInfo(void* engineDatabase, int32_t transaction, void* info);

}  // namespace vantora::driver

#endif  // VANTORA_DRIVER_CURSORS_TRANSACTIONS_H_
