/*
 * c_interface_test.c - the public header used from C.
 *
 * Compiled as C11 with pedantic warnings as errors, linked with the client
 * library, and run against the scripted test transport (MV400_INI names it).
 * A few calls across the interface; any wrong answer ends the program with a
 * non-zero status and says which.
 */
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "mv432ida.h"

static int failures = 0;

static void expect(int ok, const char* what, long got, long want) {
  if (!ok) {
    fprintf(stderr, "c_interface_test: %s gave %ld, expected %ld\n", what, got, want);
    ++failures;
  }
}

#define EXPECT_EQ(call, want)                                \
  do {                                                       \
    long got_ = (long)(call);                                \
    expect(got_ == (long)(want), #call, got_, (long)(want)); \
  } while (0)

int main(void) {
  int32_t version = 0;
  char name[18];
  int16_t primary = -1;
  int32_t secondary = -1;

  /* No session needed. */
  EXPECT_EQ(RTV_PC_VER(&version), 4);
  EXPECT_EQ(version, 202);

  EXPECT_EQ(MCH_name("SYSTEM1"), VNX_OK);
  EXPECT_EQ(MCH_name("A-NAME-OF-18-CHARS"), -1);
  memset(name, 'x', sizeof name);
  EXPECT_EQ(VNXGET_MCH_name(name, (int32_t)sizeof name), 0);
  EXPECT_EQ(strcmp(name, "SYSTEM1"), 0);
  EXPECT_EQ(VNXSetUserId("QUSER", "SECRET"), VNX_OK);

  /* The test transport answers every request with result 1. */
  EXPECT_EQ(StartSession(), VNX_OK);
  EXPECT_EQ(Rlength(1), 1);
  EXPECT_EQ(retstat(), 0);
  EXPECT_EQ(Internal_Error(), 0);
  EXPECT_EQ(APPC_ERR(&primary, &secondary), VNX_OK);
  EXPECT_EQ(VNXComplete(), VNX_ERR_INTERNAL);
  EXPECT_EQ(Internal_Error(), VNX_IERR_NO_COMPLETE_REPLY);
  EXPECT_EQ(FreeSession(), VNX_OK);
  EXPECT_EQ(VNXTerminate(), VNX_OK);

  if (failures != 0) {
    fprintf(stderr, "c_interface_test: %d wrong answer(s)\n", failures);
    return 1;
  }
  printf("c_interface_test: all answers right\n");
  return 0;
}
