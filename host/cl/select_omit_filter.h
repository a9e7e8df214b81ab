// The record filter of a logical file's select/omit rules (dds_compiler.h
// says how the rules decide): each rule's selection bound to the logical
// file's record format.
#ifndef VANTORA_HOST_CL_SELECT_OMIT_FILTER_H_
#define VANTORA_HOST_CL_SELECT_OMIT_FILTER_H_

#include <memory>
#include <vector>

#include "host/cl/dds_compiler.h"
#include "host/cl/record_filter.h"
#include "host/cl/selection.h"

namespace vantora::host {

class SelectOmitFilter : public RecordFilter {
 public:
  // False with `error` when a rule does not bind to `format`.
  static bool Build(const std::vector<cl::SelectOmitRule>& rules, const RecordFormat& format,
                    std::unique_ptr<SelectOmitFilter>* out, cl::SelectionError* error);

  bool Accept(const Record& record) const override;

 private:
  struct Rule {
    bool select = true;
    std::unique_ptr<Selection> test;  // null: ALL
  };
  std::vector<Rule> rules_;
};

}  // namespace vantora::host

#endif  // VANTORA_HOST_CL_SELECT_OMIT_FILTER_H_
