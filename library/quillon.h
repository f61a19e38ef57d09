/* Quillon serial library: the exported C functions.
 *
 * One port at a time: SER_OPEN opens COM1-COM8 at 1200, 2400, 4800 or 9600 baud, 8N1, no flow
 * control, DTR and RTS off; the send functions write to it; SER_CLOSE closes it.
 *
 * Strings cross this boundary as string handles: counted byte strings (any byte 0-255, the zero
 * byte included) made with SysAllocStringByteLen and released with SysFreeString. A null handle
 * is the empty string. On Windows these are the OLE functions of oleaut32; elsewhere the library
 * exports stand-ins with the same memory layout: a 32-bit byte count just before the pointer
 * handed out, then the bytes, then a zero terminator.
 *
 * Ownership: SER_VERSINFO's result belongs to the caller. SER_SEND replaces *text with a new
 * handle holding the translated bytes and releases the old one. SER_SEND_BV and SER_RAWSEND_BV
 * take the handle over and release it. SER_RAWSEND leaves *text as it is.
 */
#ifndef QUILLON_H
#define QUILLON_H

#ifdef _WIN32
/* The OLE header needs the platform header first. */
/* clang-format off */
#include <windows.h>
#include <oleauto.h>
/* clang-format on */
/* Exported by name with fixed ordinals from the module definition files, not by dllexport. */
#define SER_API
#define SER_CALL __stdcall
#else
#define SER_API __attribute__((visibility("default")))
#define SER_CALL
typedef char* BSTR;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opens COMport at baud. 1 when the port was opened (also when the driver refused one of the
 * line settings), 0 when the arguments were refused or the port could not be opened. */
SER_API int SER_CALL SER_OPEN(int port, int baud);

/* Closes the current port, if one is open. Always 1. */
SER_API int SER_CALL SER_CLOSE(void);

/* "v1.0, 26 May 2000, " and the project's home address; the caller owns the handle. */
SER_API BSTR SER_CALL SER_VERSINFO(void);

/* Translates the tags of *text, stores the result in *text (releasing the old handle) and
 * writes it to the current port. A null text pointer does nothing. */
SER_API void SER_CALL SER_SEND(BSTR* text);

/* Writes the bytes of *text unchanged to the current port. A null text pointer does nothing. */
SER_API void SER_CALL SER_RAWSEND(BSTR* text);

/* As SER_SEND, but takes the handle over and releases it. */
SER_API void SER_CALL SER_SEND_BV(BSTR text);

/* As SER_RAWSEND, but takes the handle over and releases it. */
SER_API void SER_CALL SER_RAWSEND_BV(BSTR text);

#ifndef _WIN32
/* Stand-ins for the OLE string functions. SysAllocStringByteLen copies len bytes from bytes
 * (or leaves them zeroed when bytes is null); it returns null when memory runs out. */
SER_API BSTR SysAllocStringByteLen(const char* bytes, unsigned int len);
SER_API unsigned int SysStringByteLen(BSTR text);
SER_API void SysFreeString(BSTR text);
#endif

#ifdef __cplusplus
}
#endif

#endif /* QUILLON_H */
