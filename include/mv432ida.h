/*
 * mv432ida.h - the public interface of the client library MV432IDA.
 *
 * MV432IDA keeps sessions with the Vantora server program on an IBM i host,
 * sends requests through a network transport library and returns the host's
 * answers. Every function is a plain C function.
 *
 * Results: 1 (or a non-negative count or handle) means success. A negative
 * result is an error class:
 *   -1   the host reports a normal error (also: an asynchronous request is
 *        still in flight); ask retstat() for the status word and
 *        Return_Syserr() for the host message identifier
 *   -10  the host reports a signal error; same details
 *   -20  communication failure; ask APPC_ERR() for the transport's codes
 *   -30  internal error: no current session, or an internal error; ask
 *        Internal_Error() for the code (VNX_IERR_* below)
 * Any other negative result is a transport result returned unchanged.
 * The detail of the last failure stays in the session until the next request.
 *
 * Ownership: callers own every buffer they pass; the library copies what it
 * needs before returning. Texts are NUL-terminated; name fields are fixed
 * width, blank-padded and not terminated.
 *
 * Threads: without VNXThreadAttach the library is meant for one thread at a
 * time. After VNXThreadAttach each thread works on its own session record.
 */
#ifndef MV432IDA_H_
#define MV432IDA_H_

#include <stdint.h>

#if defined(_WIN32)
#if defined(MV432IDA_BUILD)
#define MV432IDA_API __declspec(dllexport)
#else
#define MV432IDA_API __declspec(dllimport)
#endif
#else
#define MV432IDA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result classes and internal error codes -------------------------- */

#define VNX_OK 1
#define VNX_ERR_HOST (-1)
#define VNX_ERR_SIGNAL (-10)
#define VNX_ERR_COMM (-20)
#define VNX_ERR_INTERNAL (-30)

/* Internal_Error() codes set by the client library itself. */
#define VNX_IERR_NO_COMPLETE_REPLY 523  /* VNXComplete without a complete reply */
#define VNX_IERR_TRANSPORT_MISSING 9001 /* the transport library was not found */
#define VNX_IERR_TRANSPORT_ENTRIES 9002 /* the transport lacks entry points */
#define VNX_IERR_NO_MEMORY 9003         /* memory for the session table lacking */
#define VNX_IERR_REPLY_MISMATCH 9004    /* a reply answered another request */
/* Client-side record conversion (VNXopen with VNX_OPEN_RAW and
 * VNX_OPEN_CLIENT_CONVERT); docs/conversion.md says when each is given. */
#define VNX_IERR_FIELD_OVERFLOW 9101    /* a value does not fit its field */
#define VNX_IERR_FIELD_INVALID 9102     /* a field holds no valid value */
#define VNX_IERR_FIELD_DESCRIPTION 9103 /* a field description cannot be converted */
#define VNX_IERR_RAW_BUFFER_LIMIT 9104  /* records or key beyond the 32768-byte raw buffer */
#define VNX_IERR_CONVERSION_MEMORY 9105 /* memory for conversion state lacking */
#define VNX_IERR_FILE_DESCRIPTION 9106  /* the file's description unobtainable or unusable */
#define VNX_IERR_CONVERSION_ASYNC 9107  /* conversion open asked in asynchronous mode */
#define VNX_IERR_CONVERSION_HANDLE 9108 /* handle beyond 32767: no conversion slot */

/* ---- Sessions and settings -------------------------------------------- */
/*
 * A session is connected on first use (StartSession or any request) and
 * ends with FreeSession. The machine name, user and password must be set
 * before each connect: ending a session clears them.
 */

MV432IDA_API int32_t StartSession(void);
MV432IDA_API int32_t FreeSession(void);
/* A table of `count` sessions switched with VNXSession (single thread). */
MV432IDA_API int32_t OpenMultiSession(int32_t count);
MV432IDA_API int32_t CloseMultiSession(void);
/* Selects session `index`; -1 (multi-thread mode) releases the selection. */
MV432IDA_API int32_t VNXSession(int32_t index);
/* 1: the thread got its own session; 2: it had one; 0: none free. */
MV432IDA_API int32_t VNXThreadAttach(void);
MV432IDA_API int32_t VNXThreadDetach(void);
/* Closes every session and unloads the transport. Call nothing after it. */
MV432IDA_API int32_t VNXTerminate(void);
/* At most 17 characters; -1 when longer. */
MV432IDA_API int32_t MCH_name(const char* name);
MV432IDA_API int32_t VNXGET_MCH_name(char* buffer, int32_t size);
/* At most 10 characters of each are kept, blank-padded. */
MV432IDA_API int32_t VNXSetUserId(const char* user, const char* password);
/* "LIBRARY/PROGRAM" of the server program, at most 63 characters. */
MV432IDA_API int32_t PGM_name(const char* path);
/* Mode bit 1 (VNX_MODE_ASYNC) makes requests with a reply asynchronous. */
#define VNX_MODE_ASYNC 1
MV432IDA_API int32_t VNXMode(int32_t bit, int32_t on);

/* ---- Request status and error detail ----------------------------------- */

/* 0 idle, 1 waiting, 3 part of the reply received, 4 reply complete. */
#define VNX_STATUS_IDLE 0
#define VNX_STATUS_WAITING 1
#define VNX_STATUS_PARTIAL 3
#define VNX_STATUS_COMPLETE 4
MV432IDA_API int32_t VNXStatus(void);

/* What retstat() answers after a host error (-1): the host's status word. */
#define VNX_RETSTAT_FILE_NOT_FOUND 3004
#define VNX_RETSTAT_NOT_AUTHORISED 3009
#define VNX_RETSTAT_INVALID_REQUEST 3014
#define VNX_RETSTAT_NO_CURRENT_RECORD 3026
#define VNX_RETSTAT_RECORD_IN_USE 3029 /* locked by another job past the wait */
#define VNX_RETSTAT_DUPLICATE_KEY 3033
#define VNX_RETSTAT_OBJECT_IN_USE 3041
#define VNX_RETSTAT_OBJECT_NOT_AVAILABLE 3042
#define VNX_RETSTAT_OTHER 3101 /* the message identifier tells which */
#define VNX_RETSTAT_END_OF_FILE 5001
#define VNX_RETSTAT_BEGINNING_OF_FILE 5025

/* Host message identifiers (Return_Syserr) a caller may test for. */
#define VNX_MSG_FILE_NOT_FOUND "CPF4101"
#define VNX_MSG_WRONG_KIND_OF_OPEN "CPF4194"
#define VNX_MSG_FILE_IN_USE "CPF4128" /* held by another job */
#define VNX_MSG_RECORD_NOT_FOUND "CPF5006"
#define VNX_MSG_DUPLICATE_KEY "CPF5026"
#define VNX_MSG_RECORD_IN_USE "CPF5027"
#define VNX_MSG_DATA_MAPPING "CPF5029"
#define VNX_MSG_DUPLICATE_KEY_OTHER_PATH "CPF5034"
#define VNX_MSG_FILE_NOT_CREATED "CPF7302"
#define VNX_MSG_USER_PROFILE_NOT_FOUND "CPF2204"
#define VNX_MSG_LIBRARY_NOT_FOUND "CPF2110"
#define VNX_MSG_PASSWORD_NOT_CORRECT "CPF22E2"
#define VNX_MSG_RECEIVER_TOO_SMALL "MCH1210"
#define VNX_MSG_DECIMAL_DATA_ERROR "MCH1212"
/* The result of the completed asynchronous request. */
MV432IDA_API int32_t VNXComplete(void);
MV432IDA_API int32_t retstat(void);
/* Copies the 8-byte host message identifier (7 characters and a NUL). */
MV432IDA_API int32_t Return_Syserr(char* buffer);
MV432IDA_API int32_t Internal_Error(void);
/* The transport's primary and secondary error codes after a -20 result. */
MV432IDA_API int32_t APPC_ERR(int16_t* primary, int32_t* secondary);
MV432IDA_API int32_t Map_Appc(void);
/* The last failure of the current session in words, for people: what failed,
 * why, and what to do where there is something to do, for example
 *   cannot connect to 127.0.0.1:41889: connection refused (is vantora-hostd
 *     running, on that port?)
 *   file DEMO/NOSUCH not found (CPF4101)
 *   password not correct for user ALICE (CPF22E2)
 *   SQL0104: token SELEC was not valid
 * One sentence, no final stop; the codes stay where they were (retstat,
 * Return_Syserr, APPC_ERR, Internal_Error). Writes at most size - 1 bytes and a
 * NUL into `buffer` (which may be null to ask the length) and answers the
 * sentence's full length; 0 when the session's last call did not fail. After
 * a failed SQL request it reads the job's SQL communication area, one request
 * that leaves the failure's detail as it was. */
MV432IDA_API int32_t VNXErrorText(char* buffer, int32_t size);
/* Stores the client version (202) at `version`; works without a session. */
MV432IDA_API int32_t RTV_PC_VER(int32_t* version);

/* ---- Record-level file requests --------------------------------------- */
/*
 * A file handle is the non-negative result of Ropen or VNXopen; pass it to
 * every file request and give it back with Rclose. Record images are
 * converted by the host unless the file was opened with VNXopen and both
 * VNX_OPEN_RAW and VNX_OPEN_CLIENT_CONVERT, when the library converts them.
 * Reads answer the host's result (1, or a record count for VNXRead).
 */

/* Read operation codes: the high byte of VNXRead's options word. */
#define VNX_READ_SAME 0x01000000
#define VNX_READ_NEXT 0x02000000
#define VNX_READ_PRIOR 0x03000000
#define VNX_READ_FIRST 0x04000000
#define VNX_READ_LAST 0x05000000
#define VNX_READ_KEY_EQ 0x06000000
#define VNX_READ_KEY_GT 0x07000000
#define VNX_READ_KEY_GE 0x08000000
#define VNX_READ_KEY_LT 0x09000000
#define VNX_READ_KEY_LE 0x0A000000
#define VNX_READ_NEXT_EQUAL 0x0B000000    /* next record with the same key */
#define VNX_READ_PRIOR_EQUAL 0x0C000000   /* prior record with the same key */
#define VNX_READ_NEXT_UNEQUAL 0x0D000000  /* next record with another key */
#define VNX_READ_PRIOR_UNEQUAL 0x0E000000 /* prior record with another key */
#define VNX_READ_RRN 0x0F000000           /* by relative record number */
/* Write operation codes: the high byte of VNXWrite's options word. */
#define VNX_WRITE_INSERT 0x01000000 /* add the records */
#define VNX_WRITE_UPDATE 0x02000000 /* change the current record */
#define VNX_WRITE_DELETE 0x03000000 /* delete the current record */
/* Flags of VNXRead's and VNXWrite's options word; bits 0-11 hold the count. */
#define VNX_READ_NO_LOCK 0x00010000       /* reads: take no record lock */
#define VNX_READ_POSITION_ONLY 0x00020000 /* reads: position, return no record */
#define VNX_WRITE_NO_NULL_MAP 0x00020000  /* writes: the records carry no null map */
#define VNX_BLOCK 0x00080000              /* bits 0-11 count the records */
#define VNX_COUNT_MASK 0x00000FFF
/* VNXopen mode bits: raw AS/400 records, converted by the client. */
#define VNX_OPEN_RAW 0x00100000
#define VNX_OPEN_CLIENT_CONVERT 0x00000200
/* VNXGetDesc flags; VNX_DESC_COUNTED means the low 16 bits count entries. */
#define VNX_DESC_COUNTED 0x00020000
#define VNX_DESC_FILE_HEADER 0x08000000  /* 16-byte file header */
#define VNX_DESC_FIELDS 0x10020000       /* + n: n 22-byte field descriptions */
#define VNX_DESC_FIELDS_24 0x11020000    /* + n: n 24-byte field descriptions */
#define VNX_DESC_KEYS 0x21020000         /* + n: n 26-byte key descriptions */
#define VNX_DESC_RECORD_COUNT 0x40000000 /* int32 record count */
#define VNX_DESC_FILE_18 0x09000000      /* 18-byte file description */
/* The layouts VNXGetDesc fills (integers 16-bit, little-endian): */
/* the 16-byte file header, */
#define VNX_HDR_FORMAT_NAME 0  /* 10 characters */
#define VNX_HDR_FIELD_COUNT 10 /* fields of the record format */
#define VNX_HDR_RECORD_LENGTH 12
#define VNX_HDR_KEY_COUNT 14
#define VNX_HDR_SIZE 16
/* the 18-byte file description (as the header, then the file's flags), */
#define VNX_FILE_FLAGS 16 /* bit 0 unique keys, bit 2 a field can be null */
#define VNX_FILE_SIZE 18
/* the 22- and 24-byte field descriptions, */
#define VNX_FLD_NAME 0     /* 10 characters, blank-padded */
#define VNX_FLD_PC_TYPE 10 /* 0 text, 1 int16, 2 int32, 3 float, 4 double, 5 bytes */
#define VNX_FLD_PC_LENGTH 12
#define VNX_FLD_PC_DECIMALS 14
#define VNX_FLD_AS_TYPE 16
#define VNX_FLD_AS_LENGTH 18
#define VNX_FLD_AS_DECIMALS 20 /* dates, times and timestamps: the format word */
#define VNX_FLD_FLAGS 22 /* 24-byte form: bit 0 null-capable, bit 1 varying, high byte digits */
#define VNX_FLD_SIZE 22
#define VNX_FLD_SIZE_24 24
/* and the 26-byte key descriptions: the field's 22-byte description, then */
#define VNX_KEY_FIELD_INDEX 22 /* the key field's index among the fields */
#define VNX_KEY_SIZE 26

MV432IDA_API int32_t Ropen(const char* file, const char* mode);
MV432IDA_API int32_t Rclose(int32_t h);
MV432IDA_API int32_t RLclose(int32_t h);
MV432IDA_API int32_t Rreadn(int32_t h, void* buffer, int32_t length, int32_t option);
MV432IDA_API int32_t Rreadp(int32_t h, void* buffer, int32_t length, int32_t option);
MV432IDA_API int32_t Rreadf(int32_t h, void* buffer, int32_t length, int32_t option);
MV432IDA_API int32_t Rreadl(int32_t h, void* buffer, int32_t length, int32_t option);
MV432IDA_API int32_t Rreads(int32_t h, void* buffer, int32_t length, int32_t option);
MV432IDA_API int32_t Rreadk(int32_t h, void* buffer, int32_t length, int32_t option,
                            const void* key, int32_t keyLength);
MV432IDA_API int32_t Rreadd(int32_t h, void* buffer, int32_t length, int32_t option,
                            int32_t recordNumber);
MV432IDA_API int32_t Rwrite(int32_t h, const void* buffer, int32_t length);
MV432IDA_API int32_t Rwrited(int32_t h, const void* buffer, int32_t length, int32_t recordNumber);
MV432IDA_API int32_t Rupdate(int32_t h, const void* buffer, int32_t length);
MV432IDA_API int32_t Rdelete(int32_t h);
MV432IDA_API int32_t Rrlslck(int32_t h);
MV432IDA_API int32_t Rlocate(int32_t h, const void* key, int32_t keyLength, int32_t option);
MV432IDA_API int32_t Rfeod(int32_t h);
/* Fills the host's 24-byte status area of the file. */
MV432IDA_API int32_t Rrstatus(int32_t h, void* buffer);
/* The record length of the file. */
MV432IDA_API int32_t Rlength(int32_t h);
MV432IDA_API int32_t Rcommit(const char* text);
MV432IDA_API int32_t Rrollbck(void);
/* Format names are 10-character blank-padded fields. */
MV432IDA_API int32_t Rformat(int32_t h, const char* formatName);
MV432IDA_API int32_t Rselect(int32_t h, const char* formatName, int32_t count, const char* names);
MV432IDA_API int32_t Rgetkey(int32_t h, void* buffer, int32_t length);
/* `lines`: lineCount source lines of 80 characters. */
MV432IDA_API int32_t RCreatDDS(const char* file, int32_t lineCount, const char* lines,
                               int32_t option);
MV432IDA_API int32_t SetConvFld(int32_t h, int32_t count, const void* entries);
/* The number of record formats of the file. */
MV432IDA_API int32_t GetNbrFmt(int32_t h);
/* |count| 16-byte format entries; a negative count is sent unchanged. */
MV432IDA_API int32_t GetTypeFmt(int32_t h, int32_t count, void* buffer);
/* count 22-byte field descriptions (see VNXGetDesc). */
MV432IDA_API int32_t GetTypeFld(int32_t h, int32_t count, void* buffer);
MV432IDA_API int32_t GetTypeKey(int32_t h, int32_t count, void* buffer);
/* `entries`: count 8-byte entries, two int32 each. */
MV432IDA_API int32_t SetImpGenConv(int32_t count, const void* entries);
MV432IDA_API int32_t SetImpConv(int32_t h, int32_t count, const void* entries);
MV432IDA_API int32_t SetTypeFld(int32_t h, const void* description);
MV432IDA_API int32_t VNXopen(const char* file, int32_t mode, int32_t option);
/* Reads 1 record, or the options' count in VNX_BLOCK mode, into `records`
 * (recordLength bytes each); `numbers` receives one relative record number
 * per record. Either buffer may be null. Returns the records read. */
MV432IDA_API int32_t VNXRead(int32_t h, void* records, int32_t recordLength, int32_t options,
                             const void* key, int32_t keyLength, int32_t* numbers);
MV432IDA_API int32_t VNXWrite(int32_t h, const void* records, int32_t recordLength, int32_t options,
                              int32_t* numbers);
/* Descriptions of the file, selected by `flags` (VNX_DESC_*); `size` is the
 * entry size; counted forms fill (flags & 0xFFFF) entries. */
MV432IDA_API int32_t VNXGetDesc(int32_t h, void* buffer, int32_t size, int32_t flags,
                                const char* formatName);
MV432IDA_API int32_t VNXCreateVirtualDesc(int32_t h, const char* formatName, int32_t fieldCount,
                                          const void* fields, int32_t count, const void* entries);
MV432IDA_API int32_t VNXredefines(int32_t h, const char* formatName, int32_t size, int32_t count,
                                  const void* entries);
MV432IDA_API int32_t VNXSetTypeKey(int32_t h, int32_t count, const char* names, int32_t option);
MV432IDA_API int32_t VNXrlsrcd(int32_t h, int32_t option);
MV432IDA_API int32_t VNXFreeFile(const char* file);
MV432IDA_API int32_t StartFile_Test(const char* file, int32_t option);
MV432IDA_API int32_t StartFile_Err(const char* text);
MV432IDA_API int32_t VNXStopFile_Test(void);
MV432IDA_API int32_t CloseSession(int32_t h);

/* ---- Programs, jobs, data queues, commands ----------------------------- */
/* Requests marked "no reply" in the host reference return 1 once sent. */

MV432IDA_API int32_t Rsystem(const char* command);
MV432IDA_API int32_t VNXCmdExec(const char* command);
/* `descriptor`: the caller's 34-byte link record; the int16 at 22 counts
 * the 14-byte `parameters`, the int16 at 32 the 2-byte `entries`. The link
 * number (the result) is also stored at descriptor + 24, and the host's two
 * answers at descriptor + 28 and + 30. */
MV432IDA_API int32_t PgmLink(void* descriptor, const void* parameters, const void* entries);
/* Both lengths are taken as 16-bit values. */
MV432IDA_API int32_t PgmCall(int32_t link, int32_t outLength, void* outData, int32_t inLength,
                             const void* inData);
MV432IDA_API int32_t PgmUnLink(int32_t link);
/* Starts a server job running `program` of `library` (10-character
 * blank-padded names); answers the job's number. */
MV432IDA_API int32_t JOBcall(const char* program, const char* library);
MV432IDA_API int32_t JOBsend(int32_t job, int32_t length, const void* data);
MV432IDA_API int32_t JOBreceive(int32_t job, int32_t length, void* buffer);
MV432IDA_API int32_t JOBsendreceive(int32_t job, int32_t sendLength, const void* sendData,
                                    int32_t receiveLength, void* buffer);
/* Links the data queue `queue` of `library`; with `createMaxLength` > 0 a
 * queue that does not exist is created with that longest entry, the key
 * length `createKeyLength` and the sequence `createSequence` ("*FIFO",
 * "*LIFO", "*KEYED"); an existing queue keeps its own definition. Queue,
 * library and sequence are 10-character blank-padded fields. */
MV432IDA_API int32_t VNXLinkDataQueue(const char* queue, const char* library,
                                      int32_t createMaxLength, int32_t createKeyLength,
                                      const char* createSequence);
MV432IDA_API int32_t VNXUnlinkDataQueue(int32_t queueLink);
/* No key is sent unless both key and keyLength are given. */
MV432IDA_API int32_t VNXSendDataQueue(int32_t queueLink, const void* data, int32_t length,
                                      const void* key, int32_t keyLength);
/* `order`: an optional 2-character key order text. */
MV432IDA_API int32_t VNXReceiveDataQueue(int32_t queueLink, void* buffer, int32_t length,
                                         int32_t wait, const char* order, const void* key,
                                         int32_t keyLength);

/* ---- Embedded SQL ------------------------------------------------------- */

MV432IDA_API int32_t VNXSqlBegin(void);
MV432IDA_API int32_t VNXSqlEnd(void);
/* The SQL communication area (136 bytes). */
MV432IDA_API int32_t VNXSqlSqlca(void* buffer, int32_t length);
/* Runs a statement at once: 0 when it ran (not 1), negative on failure. */
MV432IDA_API int32_t VNXSqlImmediate(const char* statement, int32_t length);
MV432IDA_API int32_t VNXSqlDeclare(const char* statement, int32_t length);
MV432IDA_API int32_t VNXSqlOpen(int32_t cursor);
MV432IDA_API int32_t VNXSqlCommit(int32_t option);
/* The next row's fields (no null map), cut to `length`: 1, or 0 after the last. */
MV432IDA_API int32_t VNXSqlFetch(int32_t cursor, void* buffer, int32_t length);
/* Up to `rowCount` rows, each `rowLength` bytes apart (cut or blank-padded):
 * the move in the operation's low byte (VNX_FETCH_*), a relative move's signed
 * distance in the bits above (`operation >> 8`). With VNX_FETCH_NULL_MAP each
 * row's fields are followed by its null map: one byte per column, '1' for a
 * null (whose field then holds its zero value), '0' otherwise. Answers the rows
 * delivered. */
#define VNX_FETCH_NEXT 0
#define VNX_FETCH_PRIOR 1
#define VNX_FETCH_FIRST 2
#define VNX_FETCH_LAST 3
#define VNX_FETCH_CURRENT 4
#define VNX_FETCH_RELATIVE 5
#define VNX_FETCH_NULL_MAP 0x80
MV432IDA_API int32_t VNXSqlEFetch(int32_t cursor, void* buffer, int32_t rowLength, int32_t rowCount,
                                  int32_t operation);
MV432IDA_API int32_t VNXSqlRow(int32_t cursor, const void* data, int32_t length);
MV432IDA_API int32_t VNXSqlClose(int32_t cursor);

/* ---- System APIs, database server, services ----------------------------- */

/* Eight texts; null texts travel empty (s1 must be given). */
MV432IDA_API int32_t VNXApiCall(const char* s1, const char* s2, const char* s3, const char* s4,
                                const char* s5, const char* s6, const char* s7, const char* s8);
MV432IDA_API int32_t VNXMapFile(int32_t value, const char* name, int32_t option);
/* `entries`: count 16-byte field entries; the int16 at 14 of each is its data
 * length, and `data` holds the sum of them. */
MV432IDA_API int32_t VNXDBstart(int32_t value, int32_t count, const void* entries,
                                const void* data);
MV432IDA_API int32_t VNXDBopen(int32_t listCount, const void* list, int32_t count,
                               const void* entries, const void* data);
MV432IDA_API int32_t VNXDBstop(int32_t value);
/* The database-server requests travel as given; the emulated host runs no
 * database server and refuses them. The three values of VNXDBinit are that
 * server's own. */
MV432IDA_API int32_t VNXDBinit(int32_t serverValue1, int32_t serverValue2, int32_t serverValue3);
/* With answer != 0 the host echoes `buffer` back into it; else no reply. */
MV432IDA_API int32_t VNXecho(void* buffer, int32_t length, int32_t answer);
/* The host's 256-byte code-page tables of this session's job. */
MV432IDA_API int32_t ReadTableASCII_EBCDIC(void* table);
MV432IDA_API int32_t ReadTableEBCDIC_ASCII(void* table);
MV432IDA_API int32_t WriteTableASCII_EBCDIC(const void* table);
MV432IDA_API int32_t WriteTableEBCDIC_ASCII(const void* table);
/* The host's version as a 32-bit integer. */
MV432IDA_API int32_t RTV_AS_VER(int32_t* version);

#ifdef __cplusplus
}
#endif

#endif /* MV432IDA_H_ */
