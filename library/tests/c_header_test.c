/* The public header compiled as C, and its functions called from C: a caller that only has
 * the header and the shared library. Touches no port (every argument here is refused). */
#include <stdio.h>
#include <string.h>

#include "library/quillon.h"

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

int main(void) {
    BSTR version = SER_VERSINFO();
    check(version != NULL, "SER_VERSINFO gives a handle");
    check(SysStringByteLen(version) > 19 && memcmp(version, "v1.0, 26 May 2000, ", 19) == 0,
          "the version text");
    SysFreeString(version);

    check(SER_OPEN(0, 9600) == 0, "port 0 is refused");
    check(SER_OPEN(1, 19200) == 0, "19200 baud is refused");
    check(SER_CLOSE() == 1, "SER_CLOSE gives 1");

    BSTR text = SysAllocStringByteLen("<65>", 4);
    SER_SEND(&text); /* no current port: translated, nothing written */
    check(SysStringByteLen(text) == 1 && text[0] == 'A', "SER_SEND replaces the caller's text");
    SER_RAWSEND(&text);
    SER_RAWSEND_BV(text);
    SER_SEND_BV(SysAllocStringByteLen(NULL, 3));
    SER_SEND(NULL);
    SER_RAWSEND(NULL);
    return failures == 0 ? 0 : 1;
}
