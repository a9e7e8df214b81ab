// Loading the object list of one library. ListLoader is the seam between the
// selection logic and the host: HostListLoader goes through the client
// library in the caller's current session, tests give their own lists.
#ifndef VANTORA_SELECTION_LIST_LOADER_H_
#define VANTORA_SELECTION_LIST_LOADER_H_

#include <string>
#include <vector>

namespace vantora::selection {

struct ListRequest {
  std::string library;     // 1-10 characters, upper case
  std::string objectType;  // "*FILE", "*PGM", "*DTAQ", ...
  std::string filter;      // see PassesFilter (object_entry.h)
};

class ListLoader {
 public:
  virtual ~ListLoader() = default;
  // Fills `entries` with the entry texts of the objects that pass the
  // filter, in the host's order. On failure answers false with the message
  // to show in `failure`; `entries` is then undefined.
  virtual bool Load(const ListRequest& request, std::vector<std::string>* entries,
                    std::string* failure) = 0;
};

// The host's list-objects interface through MV432IDA:
//   Ropen("YOBJL0200", "rr")                         "Open Error (YOBJL0200)"
//   QUSCRTUS QTEMP/QOBJLSTLIB PF 100000 ' ' *ALL ' ' *YES
//                                                    "UserSpace creation failed"
//   QUSLOBJ QTEMP/QOBJLSTLIB OBJL0200 LIB/*ALL type  "Library not found"
//           (only *ALL for the filter "*LIB")
//   VNXMapFile(handle, "QTEMP/QOBJLSTLIB", 0)        "Maping the list failed"
//   VNXRead blocks of 277 entries, 0x04080115 then 0x02080115, until a
//   read answers 0 (or end of file)                  "Reading the list failed"
//   Rclose
// Every failed step stops the load; the file is closed on every path that
// opened it. The failure texts carry the result's detail (failure_text.h),
// except "Library not found", which is shown as it is.
class HostListLoader : public ListLoader {
 public:
  bool Load(const ListRequest& request, std::vector<std::string>* entries,
            std::string* failure) override;
};

inline constexpr char kListSpace[] = "QTEMP/QOBJLSTLIB";
inline constexpr char kListFormatFile[] = "YOBJL0200";
inline constexpr int kEntriesPerRead = 277;
inline constexpr int kFirstBlockOptions = 0x04080115;
inline constexpr int kNextBlockOptions = 0x02080115;

}  // namespace vantora::selection

#endif  // VANTORA_SELECTION_LIST_LOADER_H_
