/* A program built against an installed Quillon, as its users build theirs: on Linux through
 * pkg-config or find_package(Quillon), on Windows from the zip's header and import library.
 * Prints the library's version text and exits 0 when it is the expected one. */
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include "quillon.h"
#else
#include <quillon/quillon.h>
#endif

int main(void) {
    static const char expected[] = "v1.0, 26 May 2000, ";
    BSTR text = SER_VERSINFO();
    if (text == NULL) {
        fputs("SER_VERSINFO gave no text\n", stderr);
        return 1;
    }
    const unsigned int length = SysStringByteLen(text);
    fwrite(text, 1, length, stdout);
    fputc('\n', stdout);
    const int ok = length > strlen(expected) && memcmp(text, expected, strlen(expected)) == 0;
    SysFreeString(text);
    /* An argument that is refused touches no port. */
    return ok && SER_OPEN(0, 9600) == 0 ? 0 : 1;
}
