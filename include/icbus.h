/*
 * icbus - host library for IC-card installations on a multi-drop serial bus.
 *
 * Every command export is one complete transaction: it opens the serial port
 * named by its port number, selects a terminal, sends one command, reads the
 * reply, releases the terminal and closes the port again. Nothing stays open
 * between calls except during a record download and while the swipe monitor
 * runs; while the library holds a port, any call that needs to open one fails.
 *
 * Arguments common to many functions:
 *   port     serial port number, 1 or above (COM1 is 1). On Linux port n is
 *            the device named in the environment variable ICBUS_COM<n>, or
 *            /dev/ttyS<n-1> when that is not set.
 *   machine  the terminal's machine number on the bus, 0 to 999.
 *   card     a terminal's management card number, 0 to 999999 (the six-digit
 *            address variants, whose names end in A).
 * Values outside these ranges fail with the function's failure value before
 * anything is sent. Output buffers are owned by the caller and are written
 * only on success.
 *
 * On Windows every function uses the stdcall convention and is exported from
 * icbus.dll under its plain name and a fixed ordinal.
 */
#ifndef ICBUS_H
#define ICBUS_H

#if defined(_WIN32)
#define ICBUS_CALL __stdcall
#if defined(ICBUS_BUILDING)
#define ICBUS_API
#else
#define ICBUS_API __declspec(dllimport)
#endif
#else
#define ICBUS_CALL
#define ICBUS_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A one-byte truth value: 1 true, 0 false. Only the low byte of the result
 * register is defined, so callers must not read the result as a full int. */
typedef unsigned char icbus_bool;

/* ---- Port session ------------------------------------------------------ */

/* Opens serial port "COM" + digits (for example "1") at 19200 baud, 8 data
 * bits, no parity, one stop bit, with 1024-byte driver queues.
 * Returns 1 when the port is open and configured; 0 when the text is not a
 * port number, the port cannot be opened or configured, or the library
 * already holds an open port (that port is left as it was). */
ICBUS_API icbus_bool ICBUS_CALL icDevInit(const char *digits);

/* Purges and closes the port the library holds.
 * Returns 1 when it was closed, 0 when there was none or closing failed. */
ICBUS_API int ICBUS_CALL icDevClose(void);

/* Sets the held port to address mode (mode 0: MARK parity, the ninth bit
 * set) or data mode (mode 1: SPACE parity). Any other mode writes the line
 * settings back as they are and succeeds.
 * Returns 1 on success, 0 when no port is held or the settings fail. */
ICBUS_API icbus_bool ICBUS_CALL ChangeicDevSettings(int mode);

/* Stores the process-wide decimal setting. Exactly "2" selects amounts in
 * hundredths of a yuan; any other text (and the initial empty text) tenths.
 * A null pointer counts as the empty text. Always returns 1. */
ICBUS_API icbus_bool ICBUS_CALL SetDecLen(const char *text);

/* ---- Clock and data clearing -------------------------------------------- */

/* Reads the terminal's clock text (at most 14 characters, passed on as the
 * terminal sent it) into `out`, which must hold at least 15 bytes.
 * Returns 1 on success, 0 on failure (`out` untouched, also when null). */
ICBUS_API int ICBUS_CALL GetTime(int port, int machine, char *out);

/* GetTime for a terminal addressed with its management card number. */
ICBUS_API int ICBUS_CALL GetTimeA(int port, int machine, char *out, int card);

/* Sets the terminal's clock to the host's local time at the moment of
 * sending ("SE" yyyymmddhhnnss "!"). Returns 1 when the terminal answered
 * "DONE", else 0. */
ICBUS_API int ICBUS_CALL SetTime(int port, int machine);

/* SetTime for a terminal addressed with its management card number. */
ICBUS_API int ICBUS_CALL SetTimeA(int port, int machine, int card);

/* Deletes the records the terminal holds. Returns 1 when the terminal
 * answered "DONE", else 0. */
ICBUS_API int ICBUS_CALL Clear(int port, int machine);

/* Clear for a terminal addressed with its management card number. */
ICBUS_API int ICBUS_CALL ClearA(int port, int machine, int card);

#ifdef __cplusplus
}
#endif

#endif /* ICBUS_H */
