/*
 * mv432transport.h - the interface between the client library (MV432IDA)
 * and a network transport module, libMV432<type>.so, where <type> is the
 * General/Network setting ("ehn", "tcp", ...).
 *
 * The client library loads the module by name and binds its entry points by
 * these names; the first ten are required, RESTerminate and RESErrorText are
 * optional. Each
 * takes the client library's session record (`session`), whose bytes the
 * transport reads and writes only at the places below.
 *
 *   RESConnexion(session, machine, program, user, password)   once per session
 *   RESModeEnvoi, then RESEnvoi(session, length, part) per request part
 *   RESModeReception, then RESReception(session, max, buffer, &count, flag)
 *   RESDeconnexion(session)
 *
 * Results: MV432T_OK, or MV432T_FAILED (the client library then asks
 * RESAppcErr for the transport's codes and answers -20, a communication
 * error). RESErrorText(session, buffer, size), when the module has it, words
 * the session's last failure for people: what failed, why, and what to do
 * where there is something ("cannot connect to 10.0.0.5:8471: connection
 * refused (is vantora-hostd running?)"). It writes at most size - 1 bytes and
 * a NUL, and answers the text's full length; 0 when it has nothing to say. RESReception with
 * MV432T_RECEIVE_NOWAIT answers 0 when nothing has arrived yet.
 *
 * Parts: RESEnvoi(session, length, buffer) gets a `buffer` that starts with
 * MV432T_PREFIX_SIZE bytes the transport may use (the TCP transport writes
 * its frame prefix there), followed by the part's `length` bytes. A request's
 * first part is handed at record offset MV432T_FIRST_PART_PREFIX (then the
 * 64-byte header and the data), a continuation part at
 * MV432T_CONTINUATION_PREFIX (just in front of the data area), so the kind of
 * part is known from where it starts.
 * MV432T_PRIVATE_SIZE bytes at MV432T_PRIVATE are the transport's own.
 */
#ifndef MV432TRANSPORT_H_
#define MV432TRANSPORT_H_

#include <stdint.h>

#ifdef __cplusplus
#define MV432T_API extern "C" __attribute__((visibility("default")))
#else
#define MV432T_API __attribute__((visibility("default")))
#endif

#define MV432T_OK 1
#define MV432T_FAILED (-20)

/* RESReception flags. */
#define MV432T_RECEIVE_WAIT 0
#define MV432T_RECEIVE_NOWAIT 2

/* Offsets in the session record. */
#define MV432T_PRIVATE 0
#define MV432T_PRIVATE_SIZE 22
#define MV432T_FIRST_PART_PREFIX 166
#define MV432T_CONTINUATION_PREFIX 230
#define MV432T_PREFIX_SIZE 4

typedef int16_t (*MV432T_Connexion)(void* session, const char* machine, const char* program,
                                    const char* user, const char* password);
typedef int16_t (*MV432T_Session)(void* session); /* Deconnexion, ModeEnvoi, ModeReception, Flush */
typedef int16_t (*MV432T_Envoi)(void* session, int16_t length, void* part);
typedef int16_t (*MV432T_Reception)(void* session, int16_t maximum, void* buffer, int16_t* count,
                                    int16_t flag);
typedef int16_t (*MV432T_DebutMultiSession)(void* first, int16_t count);
typedef int16_t (*MV432T_FinMultiSession)(void* first);
typedef int16_t (*MV432T_AppcErr)(void* session, int16_t* primary, int32_t* secondary);
typedef int16_t (*MV432T_Terminate)(void);
typedef int16_t (*MV432T_ErrorText)(void* session, char* buffer, int16_t size);

#endif /* MV432TRANSPORT_H_ */
