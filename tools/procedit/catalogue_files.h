// The three catalogue files of the working library as procedit uses them,
// through the client library's record functions in the current session:
//
//   YPROCHDR    mode 5  list: first, blocked, 271 (0x0409010F); one header:
//                       key equal without lock (0x06010000); existence test:
//                       key equal, position only, locked (0x06020000);
//                       write 118 bytes (0x01010000); Rdelete after the test
//   YPROCPARMS  mode 5  fields: key equal, blocked, without lock
//                       (0x06090000 + count); existence test as above; write
//                       40 bytes (0x01010000)
//   YPROCPGM    mode 1  first without lock (0x04010000), then the further
//                       programs (0x0D09010F, key length 20, no key value);
//                       procedures of one program (0x0609010F, 20-byte key)
//
// The files are opened by their unqualified names, so the job's library
// list (its current library first) decides which library's catalogue is
// used. Not thread-safe: one user, on one thread.
#ifndef VANTORA_TOOLS_PROCEDIT_CATALOGUE_FILES_H_
#define VANTORA_TOOLS_PROCEDIT_CATALOGUE_FILES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "mv432ida.h"
#include "tools/procedit/catalogue_records.h"

namespace vantora::procedit {

// Records a list read answers at most (31,978 bytes of headers).
inline constexpr int kListCapacity = 271;

inline constexpr int32_t kReadListFirst = 0x0409010F;
inline constexpr int32_t kReadFirstNoLock = 0x04010000;
inline constexpr int32_t kReadNextPrograms = 0x0D09010F;
inline constexpr int32_t kReadProgramProcedures = 0x0609010F;
inline constexpr int32_t kReadKeyNoLock = 0x06010000;
inline constexpr int32_t kReadExistsLocked = 0x06020000;
inline constexpr int32_t kReadFieldsBlocked = 0x06090000;
inline constexpr int32_t kWriteOptions = 0x01010000;

// The client-library calls the catalogue makes; tests replace some to make
// a step fail on purpose.
struct RecordCalls {
  int32_t (*open)(const char* file, int32_t mode, int32_t option) = VNXopen;
  int32_t (*read)(int32_t h, void* records, int32_t recordLength, int32_t options, const void* key,
                  int32_t keyLength, int32_t* numbers) = VNXRead;
  int32_t (*write)(int32_t h, const void* records, int32_t recordLength, int32_t options,
                   int32_t* numbers) = VNXWrite;
  int32_t (*remove)(int32_t h) = Rdelete;
  int32_t (*close)(int32_t h) = Rclose;
  int32_t (*command)(const char* text) = Rsystem;
};

class CatalogueFiles {
 public:
  explicit CatalogueFiles(RecordCalls calls = {}) : calls_(calls) {}
  ~CatalogueFiles();
  CatalogueFiles(const CatalogueFiles&) = delete;
  CatalogueFiles& operator=(const CatalogueFiles&) = delete;

  // Opens the three files (YPROCHDR and YPROCPARMS mode 5, YPROCPGM mode 1,
  // third argument 0). False when one of them failed; those that opened
  // stay open until Close; openFailure() then says why the first failed.
  bool Open();
  // The client library's sentence for the first open that failed in the
  // last Open(); empty when none failed or the library had no sentence.
  const std::string& openFailure() const { return openFailure_; }
  bool isOpen() const { return headers_ >= 0 && fields_ >= 0 && byProgram_ >= 0; }
  // Closes what is open.
  void Close();

  // The first 271 headers in key order. Empty when none (or the read failed).
  std::vector<ProcHeaderRecord> ListHeaders();
  // One header per distinct program, in YPROCPGM order: the first record,
  // then at most 271 further records with a different 20-byte key.
  std::vector<ProcHeaderRecord> ListPrograms();
  // The headers that call `library`/`program` (at most 271).
  std::vector<ProcHeaderRecord> ProceduresOf(const std::string& library,
                                             const std::string& program);

  // Reads the header of `name` without lock. False when there is none.
  bool ReadHeader(const std::string& name, ProcHeaderRecord* header);
  // Reads up to `count` field records of `name` in one blocked read and
  // answers the number read (0 when the read failed or count <= 0).
  int ReadFields(const std::string& name, int count, std::vector<ProcFieldRecord>* fields);

  // The locked existence tests that position the file for Rdelete.
  bool HeaderExists(const std::string& name);
  bool FieldExists(const std::string& name);
  // Rdelete of the record the last existence test found.
  bool DeleteFoundHeader();
  bool DeleteFoundField();
  // Deletes every field record of `name`: the existence test, then
  // Rdelete, until the test fails. False when an Rdelete failed (the loop
  // stops there rather than test the same record again).
  bool DeleteAllFields(const std::string& name);

  bool WriteHeader(const ProcHeaderRecord& header);
  bool WriteField(const ProcFieldRecord& field);

  // Makes `library` (upper case, at most 10 characters) the job's current
  // library, so that its catalogue is the one the next Open() finds: first
  // checks that it holds YPROCHDR, then runs CHGCURLIB. False with the
  // reason in `why` (the client library's sentence where it has one); the
  // job's library list is then unchanged.
  bool MakeCurrentLibrary(const std::string& library, std::string* why);

  // The last failure of the client library as text: the host message
  // identifier and the status, for the command line's messages.
  static std::string LastFailure();
  // The client library's sentence for its last failure (VNXErrorText);
  // empty when the last call did not fail.
  static std::string Explanation();

 private:
  RecordCalls calls_;
  std::string openFailure_;
  int32_t headers_ = -1;
  int32_t fields_ = -1;
  int32_t byProgram_ = -1;
};

}  // namespace vantora::procedit

#endif  // VANTORA_TOOLS_PROCEDIT_CATALOGUE_FILES_H_
