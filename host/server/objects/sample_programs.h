// The host's built-in programs, in library VANTORA, for tests and the demo:
//
//   ADDTAX    I CHAR 10 (customer code), I PACK 7 2 (amount), I PACK 3 1
//             (rate in percent), O PACK 9 2 (amount with tax), O CHAR 30
//             (a message naming the customer): amount * (1 + rate / 100),
//             rounded half up.
//   UPPER     B CHAR 40: the text in upper case.
//   SUMBIN    I BIN4, I BIN4, O BIN4: the sum.
//   TALK      B CHAR 256: upper-cased; as a server job, the sample
//             conversation (server_jobs.h).
//   PROBE     I CHAR 5 (code), O PACK 7 2 (amount), B CHAR 10 (label): code
//             "PING" answers 12345.67, "NEG" answers -0.05, and the label
//             upper-cased between "<" and ">" (cut at 10); any other code
//             fails (CPF3C4B). For callers that must place each parameter
//             right.
//   ANSWER    O BIN4, O CHAR 20: 42 and "THE ANSWER"; a program without
//             inputs.
//   FAIL      I CHAR 1: always fails (CPF3C4B), to show a failing call.
//
// ADDTAX, SUMBIN and UPPER are in the demo library DEMO as well.
#ifndef VANTORA_HOST_SERVER_OBJECTS_SAMPLE_PROGRAMS_H_
#define VANTORA_HOST_SERVER_OBJECTS_SAMPLE_PROGRAMS_H_

#include <vector>

#include "host/server/objects/programs.h"

namespace vantora::host {

std::vector<ProgramDefinition> SamplePrograms();

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_OBJECTS_SAMPLE_PROGRAMS_H_
