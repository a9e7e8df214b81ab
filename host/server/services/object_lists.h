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
#ifndef VANTORA_HOST_SERVER_SERVICES_OBJECT_LISTS_H_
#define VANTORA_HOST_SERVER_SERVICES_OBJECT_LISTS_H_

#include <string_view>
#include <vector>

#include "host/storage/catalogue.h"
#include "host/storage/file_definition.h"
#include "host/storage/value.h"

namespace vantora::host {

inline constexpr int kRetrievedMessageRoom = 576;

// The record formats of the three format files.
std::vector<FieldDef> ObjectListFields();
std::vector<FieldDef> RelationListFields();
std::vector<FieldDef> RetrievedMessageFields();

Record ObjectListEntry(const ObjectEntry& object);
// Relations of `file`: one entry per logical file over it, by name.
// Errors: those of Catalogue::DescribeFile and ListDependents.
Status RelationListEntries(Catalogue& catalogue, const ObjectName& file, std::vector<Record>* out);
// The RTVM0100 answer for `text`, cut to a receiver of `receiverLength`.
Record RetrievedMessage(std::string_view text, int receiverLength);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SERVICES_OBJECT_LISTS_H_
