// Writing source lines into a member (RCreatDDS): the target is named
// "LIB/FILE(MEMBER)", "FILE(MEMBER)" (current library), or "LIB/FILE" (the
// member named after the file). A missing source file is created with
// record length 92 (80 columns of text), a missing member with type "PF".
//
// Modes: 0 starts the member with these lines (replacing what it held);
// 2 appends them after its last line. Lines are numbered 1.00, 2.00, ...
// Other modes answer kInvalidArgument and change nothing.
#ifndef VANTORA_HOST_SERVER_COMMANDS_SOURCE_WRITER_H_
#define VANTORA_HOST_SERVER_COMMANDS_SOURCE_WRITER_H_

#include <string>
#include <string_view>
#include <vector>

#include "host/storage/storage.h"

namespace vantora::host {

class Job;

inline constexpr int kSourceStart = 0;
inline constexpr int kSourceAppend = 2;

// Errors: kInvalidArgument (target or mode), kLibraryNotFound, kDataMapping
// (a line longer than the source file's text field), those of the storage.
Status WriteSourceLines(Storage& storage, Job& job, std::string_view target,
                        const std::vector<std::string>& lines, int mode);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_COMMANDS_SOURCE_WRITER_H_
