// Preparing a host data directory for use: the host's own objects, the
// local user profile and the demo library.
#ifndef VANTORA_HOST_SERVER_HOST_SETUP_H_
#define VANTORA_HOST_SERVER_HOST_SETUP_H_

#include <memory>
#include <string>

#include "host/server/objects/programs.h"  // kDemoLibrary
#include "host/server/session/host.h"

namespace vantora::host {

// The profile a local session without a user runs as.
inline constexpr char kDefaultLocalUser[] = "VANTORA";
inline constexpr int kDefaultBenchRecords = 1000;

// $XDG_DATA_HOME/vantora/host, else ~/.local/share/vantora/host.
std::string DefaultDataDirectory();

// Opens the host in `directory`; on first use (no demo library yet) creates
// the profile `localUser` (with a random password) and the demo library.
Status OpenPreparedHost(const std::string& directory, const std::string& localUser,
                        HostOptions options, std::unique_ptr<Host>* out);

// Creates the demo library DEMO, replacing the files it already has:
//   CUSTOMER  customers keyed on CUSTNO (packed, zoned, date, variable-length
//             and null-capable fields), 50 records
//   ORDERS    orders keyed on ORDNO, 200 records; logical files ORDERSBYC
//             (CUSTNO, ORDDATE) and ORDERSBYD (ORDDATE descending)
//   BENCH100  10 fields in fixed 100-byte records, `benchRecords` records
//   ORDERQ    data queue, *FIFO, entries up to 200 bytes (kept when it exists)
//   PRICEQ    data queue, *KEYED on 10 bytes, entries up to 100 bytes (kept)
//   YPROCHDR, YPROCPARMS, YPROCPGM   the demo's stored procedures
//             (demo_procedures.h)
// The programs ADDTAX, SUMBIN and UPPER of the demo library are built into
// the host (sample_programs.h); their entries appear at the host's start.
// The data is the same on every run.
Status CreateDemoLibrary(Storage& storage, int benchRecords);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_HOST_SETUP_H_
