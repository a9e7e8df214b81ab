/* The selection header from C (C11, pedantic, warnings as errors): the
 * declarations compile and the answers before any request are the
 * documented ones, without a session. */
#include <stdio.h>
#include <string.h>

#include "mv432slf.h"

static int failures = 0;

static void Expect(int32_t got, int32_t wanted, const char* what) {
  if (got != wanted) {
    fprintf(stderr, "%s: %d, wanted %d\n", what, (int)got, (int)wanted);
    ++failures;
  }
}

int main(void) {
  char library[10];
  char name[10];
  int32_t count = 5;
  memset(name, '#', sizeof name);
  Expect(VNXChoixLibFichierData(library, name, &count), 3, "Data before a request");
  Expect(VNXSlfGetNextEntry(library, name, NULL), 1, "GetNextEntry before a request");
  Expect(VNXChoixLibFichierCount(&count), 3, "Count before a request");
  Expect(VNXSlfGetCount(&count), 1, "GetCount before a request");
  Expect(VNXChoixLibFichier("*FIRST"), 0, "*FIRST before a request");
  Expect(VNXSlf("*CLEAR", NULL, NULL), 0, "*CLEAR");
  Expect(VNXChoixLibFichierHideDialog(), 0, "HideDialog");
  Expect(VNXChoixLibFichierSetPgmMode(1), 0, "SetPgmMode");
  Expect(VNXSlfDlgStyle(1), 0, "DlgStyle");
  Expect(VNXSlfHide(), 0, "Hide");
  Expect(name[0] == '#', 1, "the name buffer untouched");
  return failures == 0 ? 0 : 1;
}
