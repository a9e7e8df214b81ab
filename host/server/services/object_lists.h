// The list APIs' entries, as records of their format files:
//
// OBJL0200 (QUSLOBJ; format file YOBJL0200, 108 bytes):
//   0 OBJNAME CHAR 10   object name
//  10 OBJLIB  CHAR 10   library
//  20 OBJTYPE CHAR 10   type, "*FILE"
//  30 INFSTS  CHAR 1    information status: blank = complete
//  31 EXTATTR CHAR 10   extended attribute: "PF", "LF", a user space's own
//  41 TEXT    CHAR 50   text description
//  91 USRATTR CHAR 10   user-defined attribute: blank
// 101 RESV    CHAR 7    reserved: blank
//
// DBRL0100 (QDBLDBR; format file YDBRL0100, 48 bytes):
//   0 PFFILE  CHAR 10   file whose relations are listed
//  10 PFLIB   CHAR 10   its library
//  20 DEPFILE CHAR 10   dependent file
//  30 DEPLIB  CHAR 10   its library
//  40 DEPTYPE CHAR 1    dependency type: D = data (a logical file over the data)
//  41 RESV    CHAR 3    reserved: blank
//  44 JREF    BIN4      join reference number: 0, or for a join logical file
//                       the place (from 1) of the file among the join's files
//
// RTVM0100 (QMHRTVM; format file YRTVM0100, 600 bytes):
//   0 BYTESRTN BIN4     bytes returned
//   4 BYTESAVL BIN4     bytes available
//   8 MSGLEN   BIN4     length of the message text returned
//  12 MSGAVL   BIN4     length of the message text available
//  16 HLPLEN   BIN4     length of the help text returned (0: the host has none)
//  20 HLPAVL   BIN4     length of the help text available (0)
//  24 MSG      CHAR 576 the message text
//
// LJBL0100 (QMHLJOBL; format file YLJBL0100, 1076 bytes), one entry per
// message of the job's log, oldest first:
//   0 MSGKEY   BIN4     the message's number in the job, from 1 (a gap:
//                       older messages were dropped from the log)
//   4 MSGSEV   BIN4     severity: 0 request, 40 escape
//   8 MSGLEN   BIN4     length of the text returned
//  12 MSGAVL   BIN4     length of the text available
//  16 MSGID    CHAR 7   message identifier: blank for a request
//  23 MSGTYPE  CHAR 10  "*RQS", "*ESCAPE"
//  33 DATSNT   CHAR 7   date sent, CYYMMDD (C: 0 = 19xx, 1 = 20xx), host's local time
//  40 TIMSNT   CHAR 6   time sent, HHMMSS
//  46 MICSNT   CHAR 6   microseconds of the time sent
//  52 MSG      CHAR 1024 the text: a request's command, an escape's first-level text
#ifndef VANTORA_HOST_SERVER_SERVICES_OBJECT_LISTS_H_
#define VANTORA_HOST_SERVER_SERVICES_OBJECT_LISTS_H_

#include <string_view>
#include <vector>

#include "host/storage/catalogue.h"
#include "host/storage/file_definition.h"
#include "host/storage/value.h"

namespace vantora::host {

struct JobMessage;

inline constexpr int kRetrievedMessageRoom = 576;
inline constexpr int kJobLogTextRoom = 1024;

// The record formats of the four format files.
std::vector<FieldDef> ObjectListFields();
std::vector<FieldDef> RelationListFields();
std::vector<FieldDef> RetrievedMessageFields();
std::vector<FieldDef> JobLogFields();

Record ObjectListEntry(const ObjectEntry& object);
// Relations of `file`: one entry per logical file over it, by name.
// Errors: those of Catalogue::DescribeFile and ListDependents.
Status RelationListEntries(Catalogue& catalogue, const ObjectName& file, std::vector<Record>* out);
// The RTVM0100 answer for `text`, cut to a receiver of `receiverLength`.
Record RetrievedMessage(std::string_view text, int receiverLength);
// The LJBL0100 entry of one message of a job's log.
Record JobLogEntry(const JobMessage& message);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SERVICES_OBJECT_LISTS_H_
