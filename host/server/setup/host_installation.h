// The host's own objects, in library VANTORA (always at the end of a job's
// library list) and QSYS:
//
//   VANTORA/YOBJL0200   format file of QUSLOBJ lists (OBJL0200, 108 bytes)
//   VANTORA/YDBRL0100   format file of QDBLDBR lists (DBRL0100, 48 bytes)
//   VANTORA/YRTVM0100   format file of QMHRTVM answers (RTVM0100, 600 bytes)
//   VANTORA/YLJBL0100   format file of QMHLJOBL lists (LJBL0100, 1076 bytes)
//   VANTORA/YIDXR0100   the driver's index dictionary (149 bytes, keyed on
//                       its first 21 bytes, duplicates in arrival order)
//   VANTORA/YPROCHDR    stored-procedure headers (118 bytes, unique key on
//                       the procedure name)
//   VANTORA/YPROCPARMS  stored-procedure fields (40 bytes, keyed on the
//                       procedure name, duplicates in arrival order)
//   VANTORA/YPROCPGM    logical file over YPROCHDR keyed on bytes 10-29
//                       (program library and name), duplicates allowed
//   QSYS/QCPFMSG, QSYS/QSQLMSG   message files (*MSGF; protocol/host_messages.h)
//   VANTORA/<program>   *PGM entries of the built-in programs and of the
//                       executables registered in programs.ini
//
// Layouts of the list formats: object_lists.h. Layouts of the server files:
// docs/host-services.md.
#ifndef VANTORA_HOST_SERVER_SETUP_HOST_INSTALLATION_H_
#define VANTORA_HOST_SERVER_SETUP_HOST_INSTALLATION_H_

#include <filesystem>

#include "host/storage/storage.h"

namespace vantora::host {

// Creates whichever of the objects above are missing; safe to run at every
// start. Errors: those of the catalogue.
Status InstallHostObjects(Storage& storage, const std::filesystem::path& directory);

// Creates the index dictionary and the three procedure catalogue files in
// `library` (a working library that wants its own). Errors: those of the
// catalogue (kObjectExists when one of them exists).
Status CreateServerFiles(Catalogue& catalogue, const std::string& library);

// Creates the three procedure catalogue files YPROCHDR, YPROCPARMS and
// YPROCPGM in `library`, laid out as docs/procedure-catalogue.md shows.
// Errors: kObjectExists when one of them exists (nothing is created then),
// and those of the catalogue (a missing library among them).
Status CreateProcedureFiles(Catalogue& catalogue, const std::string& library);

}  // namespace vantora::host

#endif  // VANTORA_HOST_SERVER_SETUP_HOST_INSTALLATION_H_
