#include "tools/common/json_line.h"

namespace vantora::tools {
namespace {

std::string Scalar(const nlohmann::ordered_json& value) {
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

// The library's compact form has no spaces and its indented form spans lines;
// the tools have always printed one line with spaces, so containers are
// written here and only their members by the library.
std::string JsonLine(const nlohmann::ordered_json& value) {
  std::string out;
  if (value.is_object()) {
    out = "{";
    for (auto it = value.begin(); it != value.end(); ++it) {
      if (it != value.begin()) out += ", ";
      out += Scalar(it.key()) + ": " + JsonLine(it.value());
    }
    return out + "}";
  }
  if (value.is_array()) {
    out = "[";
    for (auto it = value.begin(); it != value.end(); ++it) {
      if (it != value.begin()) out += ", ";
      out += JsonLine(*it);
    }
    return out + "]";
  }
  return Scalar(value);
}

}  // namespace vantora::tools
