#include "selection/list_loader.h"

#include <cctype>
#include <span>

#include "mv432ida.h"
#include "selection/failure_text.h"
#include "selection/object_entry.h"

namespace vantora::selection {
namespace {

// The host's status word for the end of a file.
constexpr int32_t kEndOfFile = 5001;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class OpenFormatFile {
 public:
  OpenFormatFile() : handle_(Ropen(kListFormatFile, "rr")) {}
  ~OpenFormatFile() {
    if (handle_ >= 0) Rclose(handle_);
  }
  OpenFormatFile(const OpenFormatFile&) = delete;
  OpenFormatFile& operator=(const OpenFormatFile&) = delete;
  int32_t handle() const { return handle_; }

 private:
  int32_t handle_;
};

}  // namespace

bool HostListLoader::Load(const ListRequest& request, std::vector<std::string>* entries,
                          std::string* failure) {
  entries->clear();
  OpenFormatFile file;
  if (file.handle() < 0) {
    *failure = FailureText("Open Error (YOBJL0200)", file.handle());
    return false;
  }
  int32_t rc = VNXApiCall("QUSCRTUS", kListSpace, "PF", "100000", " ", "*ALL", " ", "*YES");
  if (rc != VNX_OK) {
    *failure = FailureText("UserSpace creation failed", rc);
    return false;
  }
  const std::string objects =
      request.filter == kFilterLibraries ? "*ALL" : Upper(request.library) + "/*ALL";
  rc = VNXApiCall("QUSLOBJ", kListSpace, "OBJL0200", objects.c_str(), request.objectType.c_str(),
                  "", "", "");
  if (rc != VNX_OK) {
    *failure = "Library not found";
    return false;
  }
  rc = VNXMapFile(file.handle(), kListSpace, 0);
  if (rc != VNX_OK) {
    *failure = FailureText("Maping the list failed", rc);
    return false;
  }
  std::vector<uint8_t> block(static_cast<size_t>(kEntriesPerRead) * kEntryLength);
  int32_t options = kFirstBlockOptions;
  for (;;) {
    const int32_t n =
        VNXRead(file.handle(), block.data(), kEntryLength, options, nullptr, 0, nullptr);
    if (n == 0 || (n == VNX_ERR_HOST && retstat() == kEndOfFile)) break;
    if (n < 0) {
      *failure = FailureText("Reading the list failed", n);
      return false;
    }
    const int32_t count = n < kEntriesPerRead ? n : kEntriesPerRead;
    for (int32_t i = 0; i < count; ++i) {
      std::span<const uint8_t> entry(block.data() + static_cast<size_t>(i) * kEntryLength,
                                     kEntryLength);
      if (PassesFilter(EntryAttribute(entry), request.filter)) entries->push_back(EntryText(entry));
    }
    options = kNextBlockOptions;
  }
  return true;
}

}  // namespace vantora::selection
