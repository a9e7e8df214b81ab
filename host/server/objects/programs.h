// Host programs: what PgmLink/PgmCall, the "*PGM/NAME" file and the server
// jobs call. A program takes a parameter record and answers it with its
// output parameters filled in.
//
// Parameter record: every parameter at its running offset, in the host form
// the record-level requests give character fields (PC code page,
// blank-padded), packed and zoned decimals as their host bytes, binary
// numbers big-endian as on the host. Its length is the sum of the
// parameters' byte lengths. The input of a call is the input and
// input/output parameters one after another (the key of a "*PGM/NAME" read);
// ExpandInput spreads it over a parameter record whose output parameters are
// blank (characters) or zero (numbers).
//
// Where programs come from (ProgramRegistry):
//  - built-in programs of the host (sample_programs.h), in library VANTORA;
//  - executables registered in the data directory's programs.ini, one
//    section per program, named LIBRARY/NAME:
//      [DEMO/ADDTAX]
//      Command=/opt/tax/addtax --rate 20
//      Parameters=I CHAR 10, I PACK 7 2, O PACK 9 2
//      Timeout=10
//      Text=Adds the tax to an amount
//    The executable gets the parameter record on its standard input and
//    answers the parameter record on its standard output (a shorter answer
//    leaves the rest as it was sent); exit status 0 means success. It is
//    ended after Timeout seconds (default 30). Parameters are "direction
//    type length [decimals]": direction I, O or B (both), type CHAR, BIN2,
//    BIN4, PACK, ZONED, FLOAT or DOUBLE, length in characters or digits.
//    The file is read at every lookup: a new program needs no restart.
//
// Thread safety: every method may be called from any thread.
#ifndef VANTORA_HOST_SERVER_OBJECTS_PROGRAMS_H_
#define VANTORA_HOST_SERVER_OBJECTS_PROGRAMS_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/storage/field.h"
#include "host/storage/names.h"
#include "host/storage/status.h"

namespace vantora::host {

inline constexpr char kHostLibrary[] = "VANTORA";
// The demo library (host_setup.h creates its files; some of its programs are
// built in, sample_programs.h).
inline constexpr char kDemoLibrary[] = "DEMO";

enum class ParameterDirection : uint8_t { kInput = 1, kOutput = 2, kBoth = 3 };

struct ProgramParameter {
  ParameterDirection direction = ParameterDirection::kInput;
  FieldType type = FieldType::kChar;  // kChar, kBin2, kBin4, kPacked, kZoned, kFloat, kDouble
  int length = 0;                     // characters, or digits of a decimal
  int decimals = 0;

  bool IsInput() const { return direction != ParameterDirection::kOutput; }
  bool IsOutput() const { return direction != ParameterDirection::kInput; }
  int ByteLength() const;
};

// A built-in program: works on the parameter record in place.
using BuiltinProgram = std::function<Status(std::span<uint8_t> record)>;

struct ProgramDefinition {
  ObjectName name;
  std::string text;
  std::vector<ProgramParameter> parameters;  // empty: the caller's descriptions hold
  BuiltinProgram builtin;                    // set for built-in programs
  std::string command;                       // set for executables
  int timeoutSeconds = 30;
};

// Parameter records (see above).
int ParameterRecordLength(std::span<const ProgramParameter> parameters);
int InputLength(std::span<const ProgramParameter> parameters);
// Errors: kInvalidArgument when `input` is longer than the input parameters.
Status ExpandInput(std::span<const ProgramParameter> parameters, std::span<const uint8_t> input,
                   std::vector<uint8_t>* record);

// "I CHAR 10, I PACK 7 2, O PACK 9 2" into parameters; false when malformed.
bool ParseParameterList(std::string_view text, std::vector<ProgramParameter>* out);

// Runs `definition` on `record` (already expanded). Errors: kNotSupported
// with detail kMsgProgramTimedOut when an executable runs out of time,
// kMsgProgramFailed when it fails (message_ids.h); those of a built-in.
Status RunProgram(const ProgramDefinition& definition, std::vector<uint8_t>* record);

class ProgramRegistry {
 public:
  // `configuration`: the programs.ini of the data directory.
  explicit ProgramRegistry(std::filesystem::path configuration);

  // The program `name` in `library`; an empty library searches `libraries`
  // in order. Errors: kObjectNotFound (CPF9811 is answered for it).
  Status Find(std::string_view library, std::string_view name,
              const std::vector<std::string>& libraries, ProgramDefinition* out) const;
  // Every program known: the built-ins and the registered executables.
  std::vector<ProgramDefinition> All() const;

  const std::filesystem::path& configuration() const { return configuration_; }

 private:
  std::filesystem::path configuration_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_OBJECTS_PROGRAMS_H_
