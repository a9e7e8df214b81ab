/*
 * incomplete_transport.c - libMV432bad.so, a transport library that lacks
 * most entry points: the client library must refuse to use it.
 *
 * It exports only the first three of the ten required entry points.
 */
#include <stdint.h>

#include "mv432transport.h"

MV432T_API int16_t RESConnexion(void* session, const char* machine, const char* program,
                                const char* user, const char* password) {
  (void)session;
  (void)machine;
  (void)program;
  (void)user;
  (void)password;
  return 1;
}

MV432T_API int16_t RESDeconnexion(void* session) {
  (void)session;
  return 1;
}

MV432T_API int16_t RESModeEnvoi(void* session) {
  (void)session;
  return 1;
}
