// libFuzzer target: DDS source compiled as physical and as logical file
// source. The input is cut into lines at newlines (each at most 80
// columns, as in a source member). Nothing may crash; a source that
// compiles and has select/omit rules gives rules that parse.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/cl/dds_compiler.h"
#include "host/cl/selection_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vantora::host::cl;
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') {
      lines.emplace_back();
    } else if (lines.back().size() < 80) {
      lines.back().push_back(static_cast<char>(data[i]));
    }
  }
  for (DdsKind kind : {DdsKind::kPhysical, DdsKind::kLogical}) {
    DdsFile file;
    DdsError error;
    if (!CompileDds(lines, kind, &file, &error)) {
      if (error.detail.empty()) __builtin_trap();
      continue;
    }
    for (const SelectOmitRule& rule : file.selectOmit) {
      SelectionNode node;
      SelectionError e;
      if (!rule.selection.empty() && !ParseSelection(rule.selection, &node, &e)) __builtin_trap();
    }
  }
  return 0;
}
