#include "host/server/services/object_lists.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "host/server/objects/data_queues.h"
#include "host/server/session/job_log.h"
#include "platform/clock.h"

namespace vantora::host {

std::vector<FieldDef> ObjectListFields() {
  return {CharField("OBJNAME", 10), CharField("OBJLIB", 10),  CharField("OBJTYPE", 10),
          CharField("INFSTS", 1),   CharField("EXTATTR", 10), CharField("TEXT", 50),
          CharField("USRATTR", 10), CharField("RESV", 7)};
}

std::vector<FieldDef> RelationListFields() {
  return {CharField("PFFILE", 10),
          CharField("PFLIB", 10),
          CharField("DEPFILE", 10),
          CharField("DEPLIB", 10),
          CharField("DEPTYPE", 1),
          CharField("RESV", 3),
          BinaryField("JREF", FieldType::kBin4)};
}

std::vector<FieldDef> RetrievedMessageFields() {
  return {BinaryField("BYTESRTN", FieldType::kBin4), BinaryField("BYTESAVL", FieldType::kBin4),
          BinaryField("MSGLEN", FieldType::kBin4),   BinaryField("MSGAVL", FieldType::kBin4),
          BinaryField("HLPLEN", FieldType::kBin4),   BinaryField("HLPAVL", FieldType::kBin4),
          CharField("MSG", kRetrievedMessageRoom)};
}

std::vector<FieldDef> JobLogFields() {
  return {BinaryField("MSGKEY", FieldType::kBin4),
          BinaryField("MSGSEV", FieldType::kBin4),
          BinaryField("MSGLEN", FieldType::kBin4),
          BinaryField("MSGAVL", FieldType::kBin4),
          CharField("MSGID", 7),
          CharField("MSGTYPE", 10),
          CharField("DATSNT", 7),
          CharField("TIMSNT", 6),
          CharField("MICSNT", 6),
          CharField("MSG", kJobLogTextRoom)};
}

Record ObjectListEntry(const ObjectEntry& object) {
  // A data queue's attribute holds its definition, not an extended attribute.
  std::string attribute = object.type == "*DTAQ" ? "" : object.attribute.substr(0, 10);
  return {Value::Text(object.name.name),
          Value::Text(object.name.library),
          Value::Text(object.type),
          Value::Text(""),
          Value::Text(attribute),
          Value::Text(object.text.substr(0, 50)),
          Value::Text(""),
          Value::Text("")};
}

Status RelationListEntries(Catalogue& catalogue, const ObjectName& file, std::vector<Record>* out) {
  FileDescription physical;
  if (Status s = catalogue.DescribeFile(file, &physical); !s.ok()) return s;
  std::vector<Dependent> dependents;
  if (Status s = catalogue.ListDependents(physical.name, &dependents); !s.ok()) return s;
  out->clear();
  for (const Dependent& d : dependents) {
    int32_t joinReference = 0;
    if (d.join) {
      FileDescription join;
      if (Status s = catalogue.DescribeFile(d.file, &join); !s.ok()) return s;
      auto it = std::find(join.basedOn.begin(), join.basedOn.end(), physical.name);
      joinReference = static_cast<int32_t>(it - join.basedOn.begin()) + 1;
    }
    out->push_back({Value::Text(physical.name.name), Value::Text(physical.name.library),
                    Value::Text(d.file.name), Value::Text(d.file.library), Value::Text("D"),
                    Value::Text(""), Value::Integer(joinReference)});
  }
  return Status::Ok();
}

Record RetrievedMessage(std::string_view text, int receiverLength) {
  constexpr int kHeader = 24;
  const int available = static_cast<int>(text.size());
  const int room = std::clamp(receiverLength - kHeader, 0, kRetrievedMessageRoom);
  const int returned = std::min(available, room);
  return {Value::Integer(kHeader + returned),
          Value::Integer(kHeader + available),
          Value::Integer(returned),
          Value::Integer(available),
          Value::Integer(0),
          Value::Integer(0),
          Value::Text(text.substr(0, static_cast<size_t>(returned)))};
}

Record JobLogEntry(const JobMessage& message) {
  const platform::LocalTime t = platform::LocalTimeOf(message.sent);
  char date[40];
  char time[40];
  char micro[40];
  std::snprintf(date, sizeof date, "%d%02d%02d%02d", t.year >= 2000 ? 1 : 0, t.year % 100, t.month,
                t.day);
  std::snprintf(time, sizeof time, "%02d%02d%02d", t.hour, t.minute, t.second);
  std::snprintf(micro, sizeof micro, "%06d", t.microsecond);
  const int available = static_cast<int>(message.text.size());
  const int returned = std::min(available, kJobLogTextRoom);
  // A job whose numbers outgrow BIN4 shows the largest one.
  const auto number = static_cast<int32_t>(std::min<int64_t>(message.number, INT32_MAX));
  return {
      Value::Integer(number),   Value::Integer(message.severity),
      Value::Integer(returned), Value::Integer(available),
      Value::Text(message.id),  Value::Text(JobMessageTypeName(message.type)),
      Value::Text(date),        Value::Text(time),
      Value::Text(micro),       Value::Text(message.text.substr(0, static_cast<size_t>(returned)))};
}

}  // namespace vantora::host
