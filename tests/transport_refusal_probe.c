/*
 * transport_refusal_probe.c - started by transport_refusal_test with
 * settings that name a transport the client library cannot use.
 *
 * Usage: transport_refusal_probe <code>, where <code> is the Internal_Error()
 * code the library must give (9001 missing, 9002 incomplete). Checks that the
 * library stays unusable, before and after VNXTerminate, and that the local
 * functions still answer. Writes its findings to standard output (standard
 * error is left to the library's message) and exits 0 only when every answer
 * is right.
 */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "mv432ida.h"

static int failures = 0;

static void check(long got, long want, const char* what) {
  if (got != want) {
    printf("probe: %s gave %ld, expected %ld\n", what, got, want);
    ++failures;
  }
}

#define CHECK(call, want) check((long)(call), (long)(want), #call)

static void unusable(long code) {
  int16_t primary = 0;
  int32_t secondary = 0;
  char id[8];
  char name[18];
  int32_t version = 0;
  CHECK(StartSession(), VNX_ERR_INTERNAL);
  CHECK(Internal_Error(), code);
  CHECK(Rlength(1), VNX_ERR_INTERNAL);
  CHECK(Ropen("QGPL/FILE", "rr"), VNX_ERR_INTERNAL);
  CHECK(Rsystem("DSPLIB QGPL"), VNX_ERR_INTERNAL);
  CHECK(Rclose(1), VNX_ERR_INTERNAL);
  CHECK(MCH_name("SYSTEM1"), VNX_ERR_INTERNAL);
  CHECK(retstat(), VNX_ERR_INTERNAL);
  CHECK(VNXStatus(), VNX_ERR_INTERNAL);
  CHECK(VNXComplete(), VNX_ERR_INTERNAL);
  CHECK(APPC_ERR(&primary, &secondary), VNX_ERR_INTERNAL);
  CHECK(Internal_Error(), code);
  /* Functions with results of their own when there is no session. */
  CHECK(VNXSetUserId("QUSER", "PW"), 1);
  CHECK(VNXGET_MCH_name(name, (int32_t)sizeof name), 0);
  CHECK(Return_Syserr(id), 1);
  CHECK(VNXSession(0), -1);
  CHECK(OpenMultiSession(2), 0);
  CHECK(VNXThreadAttach(), 0);
  CHECK(StartSession(), VNX_ERR_INTERNAL);
  /* Local functions need no session. */
  CHECK(RTV_PC_VER(&version), 4);
  CHECK(version, 202);
  CHECK(Map_Appc(), 0);
}

int main(int argc, char** argv) {
  long code;
  if (argc != 2) {
    printf("usage: transport_refusal_probe <code>\n");
    return 2;
  }
  code = strtol(argv[1], NULL, 10);
  unusable(code);
  CHECK(VNXTerminate(), 1);
  unusable(code); /* no second attempt, so no second message */
  if (failures != 0) {
    printf("probe: %d wrong answer(s)\n", failures);
    return 1;
  }
  printf("probe: unusable as it should be\n");
  return 0;
}
