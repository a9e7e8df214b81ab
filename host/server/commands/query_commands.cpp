// Open query files and overrides: OPNQRYF creates an open data path over a
// file's access path with the records its QRYSLT selects; OVRDBF ...
// SHARE(*YES) makes the job's opens of that file share it; CLOF closes it;
// DLTOVR removes overrides.
#include "host/cl/select_omit_filter.h"
#include "host/cl/selection.h"
#include "host/server/commands/command_table.h"
#include "host/server/commands/job_command_state.h"
#include "host/server/commands/select_omit_store.h"
#include "host/server/session/job.h"
#include "protocol/host_message_ids.h"

namespace vantora::host {
namespace {

// Both filters must accept: a query over a logical file with select/omit.
class BothFilters : public RecordFilter {
 public:
  BothFilters(std::shared_ptr<const RecordFilter> a, std::shared_ptr<const RecordFilter> b)
      : a_(std::move(a)), b_(std::move(b)) {}
  bool Accept(const Record& r) const override { return a_->Accept(r) && b_->Accept(r); }

 private:
  std::shared_ptr<const RecordFilter> a_, b_;
};

CommandOutcome NotSupported(std::string what) {
  return CommandOutcome::Failed(wire::kMsgRequestRefused,
                                std::move(what) + " is not supported by this host");
}

CommandOutcome OpenQueryFile(CommandContext& c, const cl::BoundCommand& cmd) {
  // FILE((LIB/FILE [member [format]])): one file; a join names several.
  const auto& files = cmd.Values("FILE");
  if (files.size() != 1) return NotSupported("a query over several files");
  const cl::ClElement& fileElement = files[0];
  const cl::ClElement& fileName =
      fileElement.kind == cl::ClElement::Kind::kList
          ? (fileElement.items.empty() ? fileElement : fileElement.items[0])
          : fileElement;
  if (fileName.kind != cl::ClElement::Kind::kWord ||
      (fileElement.kind == cl::ClElement::Kind::kList && fileElement.items.size() > 3)) {
    return CommandOutcome::Failed(wire::kMsgSpecialValueNotValid, "FILE value not valid");
  }
  QueryFile query;
  Status s = ResolveExistingFile(c, fileName.text, &query.file);
  FileDescription d;
  if (s.ok()) s = c.storage.catalogue().DescribeFile(query.file, &d);
  if (!s.ok()) return CommandOutcome::Failed(s);
  if (!d.IsAccessPath()) return NotSupported("a query over a join or multi-format file");

  for (const cl::ClElement& o : cmd.Values("OPTION")) {
    if (o.text != "*INP") query.readOnly = false;
  }
  const auto& format = cmd.Values("FORMAT");
  if (format.size() != 1 || !format[0].IsWord("*FILE"))
    return NotSupported("FORMAT other than *FILE");
  const auto& keys = cmd.Values("KEYFLD");
  if (keys.size() != 1 || (!keys[0].IsWord("*FILE") && !keys[0].IsWord("*NONE"))) {
    return NotSupported("KEYFLD other than *FILE or *NONE");
  }
  query.arrivalOrder = keys[0].IsWord("*NONE");
  if (cmd.Text("UNIQUEKEY") != "*NONE") return NotSupported("UNIQUEKEY");

  const auto& selection = cmd.Values("QRYSLT");
  if (!(selection[0].kind == cl::ClElement::Kind::kWord && selection[0].text == "*ALL")) {
    query.selection = selection[0].text;
    std::unique_ptr<Selection> compiled;
    cl::SelectionError error;
    if (!Selection::Compile(query.selection, d.formats[0], &compiled, &error)) {
      return CommandOutcome::Failed(error.messageId.c_str(), "QRYSLT: " + error.detail + " at " +
                                                                 std::to_string(error.offset));
    }
    query.filter = std::move(compiled);
  }
  if (d.kind == FileKind::kLogical) {
    std::vector<cl::SelectOmitRule> rules;
    s = LoadSelectOmit(c.storage, d.name, &rules);
    if (!s.ok()) return CommandOutcome::Failed(s);
    if (!rules.empty()) {
      std::unique_ptr<SelectOmitFilter> so;
      cl::SelectionError error;
      if (!SelectOmitFilter::Build(rules, d.formats[0], &so, &error)) {
        return CommandOutcome::Failed(error.messageId.c_str(), "select/omit: " + error.detail);
      }
      std::shared_ptr<const RecordFilter> rulesFilter = std::move(so);
      query.filter =
          query.filter ? std::make_shared<BothFilters>(query.filter, rulesFilter) : rulesFilter;
    }
  }

  query.openId = cmd.Text("OPNID");
  if (query.openId == "*FILE") query.openId = query.file.name;
  JobCommandState& state = CommandStateOf(c.job);
  if (state.FindQuery(query.openId) != nullptr) {
    return CommandOutcome::Failed(wire::kMsgOpenIdInUse,
                                  "open identifier " + query.openId + " already in use");
  }
  state.queryFiles.push_back(std::move(query));
  return CommandOutcome::Ok();
}

CommandOutcome OverrideDatabaseFile(CommandContext& c, const cl::BoundCommand& cmd) {
  FileOverride o;
  o.file = cmd.Text("FILE");
  const std::string to = cmd.Text("TOFILE");
  if (to != "*FILE") {
    cl::SplitQualified(to, &o.toFile.library, &o.toFile.name);
    if (o.toFile.library == "*LIBL") o.toFile.library.clear();
    if (o.toFile.library == "*CURLIB") o.toFile.library = c.job.currentLibrary();
  }
  o.share = cmd.Text("SHARE") == "*YES";
  const std::string member = cmd.Text("MBR");
  if (member != "*FIRST" && member != o.file && member != o.toFile.name) {
    return NotSupported("a member other than the file's only one");
  }
  JobCommandState& state = CommandStateOf(c.job);
  // The newest override of a file replaces the one before (one call level).
  for (FileOverride& existing : state.overrides) {
    if (existing.file == o.file) {
      existing = o;
      return CommandOutcome::Ok();
    }
  }
  state.overrides.push_back(o);
  return CommandOutcome::Ok();
}

CommandOutcome DeleteOverride(CommandContext& c, const cl::BoundCommand& cmd) {
  JobCommandState& state = CommandStateOf(c.job);
  const std::string file = cmd.Text("FILE");
  if (file == "*ALL") {
    state.overrides.clear();
    return CommandOutcome::Ok();
  }
  for (auto it = state.overrides.begin(); it != state.overrides.end(); ++it) {
    if (it->file == file) {
      state.overrides.erase(it);
      return CommandOutcome::Ok();
    }
  }
  return CommandOutcome::Failed(wire::kMsgNoOverride, "no override for file " + file);
}

CommandOutcome CloseFile(CommandContext& c, const cl::BoundCommand& cmd) {
  JobCommandState& state = CommandStateOf(c.job);
  const std::string id = cmd.Text("OPNID");
  for (auto it = state.queryFiles.begin(); it != state.queryFiles.end(); ++it) {
    if (it->openId == id) {
      state.queryFiles.erase(it);
      return CommandOutcome::Ok();
    }
  }
  return CommandOutcome::Failed(wire::kMsgNoFileWithOpenId, "no file open with identifier " + id);
}

}  // namespace

void AddQueryCommands(CommandTable& table) {
  table["OPNQRYF"] = OpenQueryFile;
  table["OVRDBF"] = OverrideDatabaseFile;
  table["DLTOVR"] = DeleteOverride;
  table["CLOF"] = CloseFile;
}

}  // namespace vantora::host
