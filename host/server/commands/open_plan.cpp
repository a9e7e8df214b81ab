#include "host/server/commands/open_plan.h"

#include "host/cl/select_omit_filter.h"
#include "host/server/commands/job_command_state.h"
#include "host/server/commands/select_omit_store.h"
#include "host/server/session/job.h"

namespace vantora::host {

Status PlanOpen(Storage& storage, Job& job, const ObjectName& file, OpenPlan* plan) {
  *plan = OpenPlan{};
  plan->file = file;
  plan->commitmentControl = job.commitmentControl();
  if (const QueryFile* query = job.SharedOpenFor(file)) {
    plan->file = query->file;
    plan->filter = query->filter;
    plan->arrivalOrder = query->arrivalOrder;
    plan->readOnly = query->readOnly;
    plan->query = query;
    return Status::Ok();
  }
  if (job.commandState()) {
    if (const FileOverride* o = job.commandState()->FindOverride(file.name);
        o != nullptr && !o->toFile.name.empty()) {
      Status s = o->toFile.library.empty() ? storage.catalogue().ResolveFile(
                                                 job.SearchList(), o->toFile.name, &plan->file)
                                           : NormaliseObjectName(o->toFile, &plan->file);
      if (!s.ok()) return s;
    }
  }
  FileDescription d;
  Status s = storage.catalogue().DescribeFile(plan->file, &d);
  if (!s.ok()) return s;
  if (d.kind != FileKind::kLogical || !d.IsAccessPath()) return Status::Ok();
  std::vector<cl::SelectOmitRule> rules;
  s = LoadSelectOmit(storage, d.name, &rules);
  if (!s.ok() || rules.empty()) return s;
  std::unique_ptr<SelectOmitFilter> filter;
  cl::SelectionError error;
  if (!SelectOmitFilter::Build(rules, d.formats[0], &filter, &error)) {
    return Status::Error(StatusCode::kInvalidDefinition,
                         "select/omit of " + d.name.ToString() + ": " + error.detail);
  }
  plan->filter = std::move(filter);
  return Status::Ok();
}

}  // namespace vantora::host
