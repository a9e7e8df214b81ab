#include "driver/cursors/transactions.h"

#include <memory>

#include "driver/frame/database.h"
#include "driver/frame/errors.h"
#include "idapi.h"
#include "mv432ida.h"

namespace vantora::driver {
namespace {

constexpr char kCommitText[] = "Morvalis/400";
constexpr char kCommitHold[] = " COMMIT HOLD";
constexpr char kRollbackHold[] = " ROLLBACK HOLD";

class TransactionHandle : public DriverHandle {
 public:
  TransactionHandle() : DriverHandle(HandleKind::kTransaction) {}
  static bool IsKind(HandleKind k) { return k == HandleKind::kTransaction; }
};

// A record-level answer other than 1 as an engine status.
uint16_t RecordLevelFailure(int32_t result) {
  if (result < 0) return MapClientFailure(result);
  PostMessage(IDAPI_ERR_INVALID_REQUEST,
              "The AS/400 answered " + std::to_string(result) + " to the end of a transaction");
  return IDAPI_ERR_INVALID_REQUEST;
}

uint16_t RunSql(const char* text, size_t length) {
  const int32_t result = VNXSqlImmediate(text, static_cast<int32_t>(length));
  return result == 0 ? IDAPI_OK : MapSqlFailure(result);
}

uint16_t Commit() {
  if (int32_t r = Rcommit(kCommitText); r != 1) return RecordLevelFailure(r);
  return RunSql(kCommitHold, sizeof kCommitHold - 1);
}

uint16_t Rollback() {
  if (int32_t r = Rrollbck(); r != 1) return RecordLevelFailure(r);
  return RunSql(kRollbackHold, sizeof kRollbackHold - 1);
}

DatabaseHandle* UnderCommitmentControl(void* engineDatabase, uint16_t* status) {
  DatabaseHandle* db = DatabaseOf(engineDatabase);
  if (db == nullptr) {
    *status = IDAPI_ERR_BAD_OBJECT;
  } else if (db->transactionFlag == 0) {
    *status = IDAPI_ERR_NO_TRANSACTIONS;
    db = nullptr;
  }
  return db;
}

}  // namespace

uint16_t BeginTransaction(void* engineDatabase, uint32_t, int32_t* outTransaction) {
  uint16_t status = IDAPI_OK;
  DatabaseHandle* db = UnderCommitmentControl(engineDatabase, &status);
  if (db == nullptr) return status;
  if (outTransaction != nullptr) {
    auto t = std::make_unique<TransactionHandle>();
    t->parent = db->number;
    const int32_t number = AddHandle(std::move(t));
    if (number < 0) return IDAPI_ERR_NO_MEMORY;
    *outTransaction = number;
    LookUpHandle(db->number);  // the database's session again
  }
  return Commit();
}

uint16_t EndTransaction(void* engineDatabase, int32_t transaction, uint16_t mode) {
  uint16_t status = IDAPI_OK;
  DatabaseHandle* db = UnderCommitmentControl(engineDatabase, &status);
  if (db == nullptr) return status;
  TransactionHandle* t = transaction > 0 ? LookUp<TransactionHandle>(transaction) : nullptr;
  if (transaction > 0 && t == nullptr) return IDAPI_ERR_BAD_OBJECT;
  LookUpHandle(db->number);
  switch (mode) {
    case IDAPI_END_COMMIT:
    case IDAPI_END_COMMIT_KEEP:
      status = Commit();
      break;
    case IDAPI_END_ROLLBACK:
      status = Rollback();
      break;
    default:
      break;
  }
  if (status != IDAPI_OK) return status;
  if (t != nullptr) FreeHandle(t);
  return IDAPI_OK;
}

uint16_t TransactionInfo(void* engineDatabase, int32_t, void* info) {
  uint16_t status = IDAPI_OK;
  if (UnderCommitmentControl(engineDatabase, &status) == nullptr) return status;
  if (info == nullptr) return IDAPI_ERR_INVALID_ARGUMENT;
  auto* out = static_cast<unsigned char*>(info);
  idapi_put_u32(out, 0, 1);
  idapi_put_u32(out, 4, 0);
  idapi_put_u16(out, 8, 1);
  return IDAPI_OK;
}

}  // namespace vantora::driver
