// Where the select/omit rules of logical files live: the host's table
// vt_select_omit in the storage's database (one row per rule, the rule's
// selection in the QRYSLT language). CRTLF writes them, DLTF forgets them,
// the open of a logical file reads them (open_plan.h).
//
// Thread safety: as Storage::RunLocked.
#ifndef VANTORA_HOST_SERVER_COMMANDS_SELECT_OMIT_STORE_H_
#define VANTORA_HOST_SERVER_COMMANDS_SELECT_OMIT_STORE_H_

#include <vector>

#include "host/cl/dds_compiler.h"
#include "host/storage/storage.h"

namespace vantora::host {

// Replaces the rules of `file`.
Status SaveSelectOmit(Storage& storage, const ObjectName& file,
                      const std::vector<cl::SelectOmitRule>& rules);
// The rules of `file`; empty when it has none.
Status LoadSelectOmit(Storage& storage, const ObjectName& file,
                      std::vector<cl::SelectOmitRule>* out);
Status ForgetSelectOmit(Storage& storage, const ObjectName& file);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_COMMANDS_SELECT_OMIT_STORE_H_
