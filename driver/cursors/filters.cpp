#include "driver/cursors/filters.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "driver/cursors/filter_text.h"
#include "driver/frame/errors.h"
#include "mv432ida.h"
#include "platform/ui_sink.h"

namespace vantora::driver {
namespace {

constexpr size_t kCommandLimit = 32768;

class Busy {
 public:
  Busy() { platform::CurrentUiSink().Busy(true); }
  ~Busy() { platform::CurrentUiSink().Busy(false); }
};

std::string OpenIdentifier(int32_t filter) {
  char id[24];
  std::snprintf(id, sizeof id, "VNX%04d", static_cast<int>(filter));
  return id;
}

// The file part of an access path's name.
std::string FilePart(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

int32_t OpenPath(RecordCursor* c) {
  return VNXopen(c->path().name.c_str(), static_cast<int32_t>(c->openOptions | c->transactionFlag),
                 -1);
}

// A reduced format defined on the old handle is defined on the new one.
void DefineReducedAgain(RecordCursor* c) {
  if (!c->reducedDefined) return;
  std::string names;
  int32_t count = 0;
  for (int i = 0; i < c->fieldCount; ++i) {
    if (c->reducedFields[static_cast<size_t>(i)]) {
      names += c->hostFields[static_cast<size_t>(i)].name;
      ++count;
    }
  }
  const int32_t length = Rselect(c->path().handle, "_R_SELECT_", count, names.c_str());
  if (length > 0) {
    c->reducedLength = length;
    c->reducedActive = true;
  } else {
    c->reducedDefined = false;
    c->reducedActive = false;
  }
}

// Closes the active access path's file; the records read ahead from it go.
void CloseActivePath(RecordCursor* c) {
  if (c->path().handle >= 0) Rclose(c->path().handle);
  c->path().handle = -1;
  c->cache.Drop();
}

uint16_t CommandFailed(const std::string& command, int32_t result) {
  MapClientFailure(result < 0 ? result : VNX_ERR_HOST);
  PostMessage(IDAPI_ERR_FAILED, command + " failed: " + LastMessage());
  return IDAPI_ERR_FAILED;
}

}  // namespace

uint16_t AddFilter(RecordCursor* c, const void* expression, int32_t* outFilter) {
  if (outFilter != nullptr) *outFilter = -1;
  if (c->isQuery()) return IDAPI_ERR_NOT_SUPPORTED;
  const FilterText t = TranslateFilter(expression, 0);
  if (!t.ok) {
    PostMessage(IDAPI_ERR_FAILED, "The filter cannot be written as a selection: " + t.problem);
    return IDAPI_ERR_FAILED;
  }
  auto filter = std::make_unique<FilterHandle>();
  filter->text = t.text;
  filter->linked = c->number;
  const int32_t number = AddHandle(std::move(filter));
  if (number < 0) return IDAPI_ERR_NO_MEMORY;
  if (outFilter != nullptr) *outFilter = number;
  return IDAPI_OK;
}

namespace {

// Opens the active access path again: the filter's query file when one is
// active (the override shares it), else the file itself.
uint16_t OpenActivePath(RecordCursor* c) {
  const int32_t h = OpenPath(c);
  if (h < 0) return MapClientFailure(h);
  c->path().handle = h;
  c->cache.Drop();
  DefineReducedAgain(c);
  return IDAPI_OK;
}

// Closes a filter's query file and then the override that shared it: left in
// force, the override would make the job's next opens of the file share
// whatever query file of that name is open (another cursor's filter).
int32_t CloseQueryFile(RecordCursor* c, int32_t filterNumber) {
  const int32_t r = Rsystem(("CLOF (" + OpenIdentifier(filterNumber) + ")").c_str());
  if (r == 0) Rsystem(("DLTOVR FILE(" + FilePart(c->path().name) + ")").c_str());
  return r;
}

}  // namespace

uint16_t ActivateFilter(RecordCursor* c, int32_t filterNumber) {
  if (filterNumber < 0) return IDAPI_OK;
  FilterHandle* filter = LookUp<FilterHandle>(filterNumber);
  if (filter == nullptr || filter->linked != c->number) return IDAPI_ERR_INVALID_ARGUMENT;
  Busy busy;
  if (c->linked >= 0) {
    if (uint16_t s = DeactivateFilter(c, c->linked); s != IDAPI_OK) return s;
  }
  const std::string selection = DoubleApostrophes(filter->text);
  const std::string path = c->path().name;
  const std::string id = OpenIdentifier(filterNumber);
  std::string query = "OPNQRYF FILE((" + path + ")) OPTION(" +
                      ((c->openOptions & 0x4) != 0 ? "*ALL" : "*INP") + ") QRYSLT('" + selection +
                      "') KEYFLD(*FILE) OPNID(" + id + ")";
  if (query.size() >= kCommandLimit) {
    PostMessage(IDAPI_ERR_FAILED, "The filter's selection is too long for the command");
    return IDAPI_ERR_FAILED;
  }
  CloseActivePath(c);
  // A refused query leaves the access path closed: reads fail until a filter
  // is activated again or the cursor switches its access path, so that a
  // caller that missed the status never reads records the filter would not
  // have selected.
  int32_t r = Rsystem(query.c_str());
  if (r != 0) return CommandFailed("OPNQRYF", r);
  const std::string override = "OVRDBF " + FilePart(path) + " SHARE(*YES) OVRSCOPE(*JOB)";
  r = Rsystem(override.c_str());
  if (r != 0) {
    const uint16_t s = CommandFailed("OVRDBF", r);
    // The query file would otherwise hold its open identifier for good.
    Rsystem(("CLOF (" + id + ")").c_str());
    return s;
  }
  if (uint16_t s = OpenActivePath(c); s != IDAPI_OK) {
    CloseQueryFile(c, filterNumber);
    return s;
  }
  c->linked = filterNumber;
  return IDAPI_OK;
}

uint16_t DeactivateFilter(RecordCursor* c, int32_t filterNumber) {
  if (filterNumber < 0 || filterNumber != c->linked) return IDAPI_OK;
  CloseActivePath(c);
  if (const int32_t r = CloseQueryFile(c, filterNumber); r != 0) return CommandFailed("CLOF", r);
  c->linked = -1;
  return OpenActivePath(c);
}

uint16_t DropFilter(RecordCursor* c, int32_t filterNumber) {
  FilterHandle* filter = LookUp<FilterHandle>(filterNumber);
  if (filter == nullptr || filter->linked != c->number) return IDAPI_ERR_INVALID_ARGUMENT;
  if (c->linked == filterNumber) {
    if (uint16_t s = DeactivateFilter(c, filterNumber); s != IDAPI_OK) return s;
  }
  FreeHandle(filter);
  return IDAPI_OK;
}

void DropFilters(RecordCursor* c) {
  std::vector<int32_t> mine;
  ForEachHandle([&](DriverHandle* h) {
    if (h->kind == HandleKind::kFilter && h->linked == c->number) mine.push_back(h->number);
  });
  for (int32_t f : mine) DropFilter(c, f);
}

}  // namespace vantora::driver
