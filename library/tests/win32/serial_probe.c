/* A Windows program that exercises the library the way another program would, for the tests
 * that run it under Wine. It prints what it saw, one fact a line, and the test reads that.
 *
 *   serial_probe exports MODULE                 find the seven functions by name and ordinal
 *   serial_probe send PORT BAUD HOW HEXBYTES    SER_OPEN, one send, SER_CLOSE (HOW: send, raw,
 *                                               send_bv, raw_bv); HEXBYTES "" is the empty text
 *   serial_probe version                        SER_VERSINFO
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "library/quillon.h"

static const char* const names[7] = {"SER_CLOSE", "SER_OPEN",    "SER_RAWSEND", "SER_RAWSEND_BV",
                                     "SER_SEND",  "SER_SEND_BV", "SER_VERSINFO"};

static int check_exports(const char* module) {
    HMODULE handle = LoadLibraryA(module);
    int failures = 0;
    if (handle == NULL) {
        printf("load %s failed %lu\n", module, (unsigned long)GetLastError());
        return 1;
    }
    for (int i = 0; i < 7; ++i) {
        FARPROC by_name = GetProcAddress(handle, names[i]);
        FARPROC by_ordinal = GetProcAddress(handle, MAKEINTRESOURCEA(i + 1));
        const int ok = by_name != NULL && by_name == by_ordinal;
        printf("export %s ordinal %d %s\n", names[i], i + 1, ok ? "ok" : "MISSING");
        failures += !ok;
    }
    return failures != 0;
}

static void print_bytes(const char* label, BSTR text) {
    const unsigned char* bytes = (const unsigned char*)text;
    const unsigned int length = text == NULL ? 0 : SysStringByteLen(text);
    printf("%s", label);
    for (unsigned int i = 0; i < length; ++i) printf("%s%u", i == 0 ? "" : " ", bytes[i]);
    printf("\n");
}

static BSTR from_hex(const char* hex) {
    const size_t length = strlen(hex) / 2;
    char* bytes = (char*)malloc(length + 1);
    for (size_t i = 0; i < length; ++i) {
        unsigned int value = 0;
        sscanf(hex + 2 * i, "%2x", &value);
        bytes[i] = (char)value;
    }
    BSTR text = SysAllocStringByteLen(bytes, (UINT)length);
    free(bytes);
    return text;
}

static int send_once(int port, int baud, const char* how, const char* hex) {
    BSTR text = from_hex(hex);
    printf("open %d\n", SER_OPEN(port, baud));
    if (strcmp(how, "send") == 0) {
        SER_SEND(&text);
        print_bytes("after ", text);
        SysFreeString(text);
    } else if (strcmp(how, "raw") == 0) {
        SER_RAWSEND(&text);
        print_bytes("after ", text);
        SysFreeString(text);
    } else if (strcmp(how, "send_bv") == 0) {
        SER_SEND_BV(text);
    } else {
        SER_RAWSEND_BV(text);
    }
    printf("close %d\n", SER_CLOSE());
    return 0;
}

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IONBF, 0);
    if (argc == 3 && strcmp(argv[1], "exports") == 0) return check_exports(argv[2]);
    if (argc == 6 && strcmp(argv[1], "send") == 0) {
        return send_once(atoi(argv[2]), atoi(argv[3]), argv[4], argv[5]);
    }
    if (argc == 2 && strcmp(argv[1], "version") == 0) {
        BSTR version = SER_VERSINFO();
        printf("version %.*s\n", (int)SysStringByteLen(version), (const char*)version);
        SysFreeString(version);
        return 0;
    }
    fprintf(stderr, "usage: serial_probe exports MODULE | send PORT BAUD HOW HEX | version\n");
    return 2;
}
