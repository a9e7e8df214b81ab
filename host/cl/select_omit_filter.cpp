#include "host/cl/select_omit_filter.h"

namespace vantora::host {

bool SelectOmitFilter::Build(const std::vector<cl::SelectOmitRule>& rules,
                             const RecordFormat& format, std::unique_ptr<SelectOmitFilter>* out,
                             cl::SelectionError* error) {
  auto filter = std::make_unique<SelectOmitFilter>();
  for (const cl::SelectOmitRule& r : rules) {
    Rule rule;
    rule.select = r.select;
    if (!r.selection.empty() && !Selection::Compile(r.selection, format, &rule.test, error)) {
      return false;
    }
    filter->rules_.push_back(std::move(rule));
  }
  *out = std::move(filter);
  return true;
}

bool SelectOmitFilter::Accept(const Record& record) const {
  for (const Rule& r : rules_) {
    if (!r.test || r.test->Accept(record)) return r.select;
  }
  // No rule applies: the opposite of the last rule.
  return rules_.empty() || !rules_.back().select;
}

}  // namespace vantora::host
