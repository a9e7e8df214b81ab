// The stored procedures declared in the demo library, so that a new user
// can call one at once (with DEMO as the working library):
//
//   TAXCALC   DEMO/ADDTAX  I Code CHAR 10, I Amount PACK 7,2, I Rate PACK 3,1,
//                          O Result PACK 9,2, O Message CHAR 30
//   SHOUT     DEMO/UPPER   B Text CHAR 40
//   ADDNUMS   DEMO/SUMBIN  I A BIN4, I B BIN4, O Sum BIN4 (PC INT 32)
//   PROBE     VANTORA/PROBE  I Code CHAR 5, O Amount PACK 7,2, B Label CHAR 10
//   ANSWER    VANTORA/ANSWER  O Number BIN4, O Text CHAR 20: no inputs
//   NEWORDER  DEMO/ORDERQ  data queue; one data structure of I OrderNo
//                          CHAR 8, I Item CHAR 10, I Qty ZONED 5,0
//
// PACK and ZONED travel as DOUBLE on the PC, CHAR as CHAR. The programs are
// the host's sample programs (sample_programs.h).
#ifndef VANTORA_HOST_SERVER_SETUP_DEMO_PROCEDURES_H_
#define VANTORA_HOST_SERVER_SETUP_DEMO_PROCEDURES_H_

#include "host/storage/storage.h"

namespace vantora::host {

// Creates DEMO/YPROCHDR, YPROCPARMS and YPROCPGM again (dropping those that
// exist) and declares the procedures above in them.
Status CreateDemoProcedures(Storage& storage);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SETUP_DEMO_PROCEDURES_H_
