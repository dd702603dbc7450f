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
 * only on success, with one exception: ReadCardPass writes the empty text
 * when the block cannot be read.
 *
 * Calls are serialised: every call holds one process-wide lock from start to
 * end, so calls from several threads (and the swipe monitor's thread) run
 * one after the other, never interleaved on the wire. A call that finds
 * another running waits for it to finish, and that wait adds to the times
 * below. A record download keeps the port between its calls; meanwhile any
 * call that needs to open a port fails at once with its failure value.
 *
 * Blocking: every call is synchronous and returns when its transaction is
 * over. The time it takes is the devices' answering time; when they stay
 * silent it is bounded by the read time-outs (200 ms a byte of the expected
 * reply plus 200 ms; a pause of over 200 ms after the last byte received
 * ends a read). Each function below says how long it blocks on silence: the
 * first figure when nothing answers, the second ("after the address") when
 * the terminal answers its address and then falls silent. The frames' own
 * time on the wire (0.52 ms a byte) comes on top. A device that keeps
 * sending a byte just under every 200 ms can hold a read up to its total
 * time-out; no read lasts longer.
 *
 * On Windows every function uses the stdcall convention and is exported from
 * icbus.dll under its plain name and a fixed ordinal.
 */
#ifndef ICBUS_H
#define ICBUS_H

#include "icbus_version.h"

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
 * bits, no parity, one stop bit, with 1024-byte driver queues. Reads nothing:
 * returns as soon as the port is open (or refused).
 * Returns 1 when the port is open and configured; 0 when the text is not a
 * port number, the port cannot be opened or configured, or the library
 * already holds an open port (that port is left as it was). */
ICBUS_API icbus_bool ICBUS_CALL icDevInit(const char *digits);

/* Purges and closes the port the library holds, once the last frame written
 * has left it. Returns 1 when it was closed, 0 when there was none or
 * closing failed. */
ICBUS_API int ICBUS_CALL icDevClose(void);

/* Sets the held port to address mode (mode 0: MARK parity, the ninth bit
 * set) or data mode (mode 1: SPACE parity). Any other mode writes the line
 * settings back as they are and succeeds.
 * Returns 1 on success, 0 when no port is held or the settings fail. Waits
 * only for the last frame written to leave the port. */
ICBUS_API icbus_bool ICBUS_CALL ChangeicDevSettings(int mode);

/* Stores the process-wide decimal setting. Exactly "2" selects amounts in
 * hundredths of a yuan; any other text (and the initial empty text) tenths.
 * A null pointer counts as the empty text. Always returns 1, at once. */
ICBUS_API icbus_bool ICBUS_CALL SetDecLen(const char *text);

/* ---- Clock and data clearing --------------------------------------------
 * On silence: 1.0 s; after the address 3.4 s (GetTime, GetTimeA) or 1.4 s
 * (the others). */

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


/* ---- Card lists ----------------------------------------------------------
 * A terminal keeps two card lists. The first holds the cards reported lost
 * (a consumption terminal: six-digit card numbers) or the cards opened for
 * use (an attendance terminal: twelve digits, card number then password).
 * `card` is put into the command as it is; it may have at most 21 bytes and
 * no "!". Each returns 1 when the terminal answered "DONE", else 0.
 * On silence: 1.0 s; after the address 1.4 s. */

/* Adds a card to the first list ("SO" card "!"). */
ICBUS_API int ICBUS_CALL SetOpenCard(int port, int machine, const char *card);
/* Removes a card from the first list ("SN" card "!"). */
ICBUS_API int ICBUS_CALL DelOpenCard(int port, int machine, const char *card);
/* Empties the first list ("SP!"). */
ICBUS_API int ICBUS_CALL ClearOpenCard(int port, int machine);
/* Adds a card to the second list ("SR" card "!"). */
ICBUS_API int ICBUS_CALL SetOpenCardEx(int port, int machine, const char *card);
/* Removes a card from the second list ("SQ" card "!"). */
ICBUS_API int ICBUS_CALL DelOpenCardEx(int port, int machine, const char *card);
/* Empties the second list ("SS!"). */
ICBUS_API int ICBUS_CALL ClearOpenCardEx(int port, int machine);
/* Asks whether a card is in the list ("SQ" card "!", the same frame as
 * DelOpenCardEx; the terminal's kind decides). Returns 1 when the terminal
 * answered "1", 0 for any other answer, -1 when the exchange failed or the
 * card text is not acceptable. */
ICBUS_API int ICBUS_CALL QueryCard(int port, int machine, const char *card);

/* ---- Identity, passwords and state ---------------------------------------
 * The broadcast commands (SetMachNo, SetMasterCard, Log_onPass, SetPass)
 * carry no address: every terminal on the line hears them, so only one
 * terminal may be connected. They return 1 on "DONE", else 0.
 * On silence the broadcasts, SetPassA and SetPause block 1.2 s (they have
 * no address phase), GetState 0.6 s; the addressed commands 1.0 s, after
 * the address 1.4 s (GetMachStyle 0.8 s). */

/* Sets the machine number and type: three digits and a type character,
 * e.g. "001K" (at most 4 bytes). Broadcast. */
ICBUS_API int ICBUS_CALL SetMachNo(int port, const char *number);
/* Sets the management card number (six digits as text). Broadcast. */
ICBUS_API int ICBUS_CALL SetMasterCard(int port, const char *card);
/* Sets a new management card number `card` (text) on the terminal selected
 * by its machine number and its current management card number. 1 / 0. */
ICBUS_API int ICBUS_CALL SetMasterCardA(int port, int machine, const char *card,
                                        int current_card);
/* Cancels the IC-card password `old_password` (12 hexadecimal characters)
 * that the terminal uses with the cards. Broadcast. */
ICBUS_API int ICBUS_CALL Log_onPass(int port, const char *old_password);
/* Sets the terminals' IC-card password (12 hexadecimal characters). Broadcast. */
ICBUS_API int ICBUS_CALL SetPass(int port, const char *password);
/* Loads the sector key (12 hexadecimal characters, at most 13 bytes) into the
 * desktop card writer on `port`. 1 on "DONE", else 0. */
ICBUS_API int ICBUS_CALL SetPassA(int port, const char *password);
/* Puts the terminal into card reader/writer mode. 1 / 0. */
ICBUS_API int ICBUS_CALL SetMachRead(int port, int machine);
/* Reads the machine style: 0 loss-reporting, 1 account-opening. Returns the
 * style, or -1 when the exchange failed or the answer is not a number. */
ICBUS_API int ICBUS_CALL GetMachStyle(int port, int machine);
/* Sets the machine style (one digit, 0 to 9 except 5). 1 / 0. */
ICBUS_API int ICBUS_CALL SetMachStyle(int port, int machine, int style);
/* Asks whether the terminal is in service: 1 in service, 0 out of service,
 * -1 when the exchange failed. */
ICBUS_API int ICBUS_CALL GetState(int port, int machine);
/* `pause` 1 takes the terminal out of service, any other value puts it back
 * into service. 1 / 0. */
ICBUS_API int ICBUS_CALL SetPause(int port, int machine, int pause);
/* Shows the library version ("动态库版本V4.30") in a message box on Windows
 * and returns the box's answer (1 when closed with OK) once a person closed
 * the box; elsewhere writes the same text as one UTF-8 line to standard
 * error and returns 1 at once. No port is used. */
ICBUS_API int ICBUS_CALL GetDllVersion(void);

/* ---- Schedules, tariffs and display ---------------------------------------
 * Each returns 1 when the terminal answered "DONE", else 0. Texts go into
 * the command as they are (GBK for Chinese); a text that would make the
 * command longer than 24 bytes, or that contains "!", fails before anything
 * is sent. So does a number that is negative or needs more digits than its
 * field in the command has (each function gives its range): a wider number
 * would move every field after it.
 * On silence: 1.0 s, after the address 1.4 s; SetIntervalTime and
 * SetOpenTime (a 3-byte address reply) 0.8 s and 1.2 s. */

/* Consumption-count limit of a window terminal, 0 to 999 ("SU%03d!"). */
ICBUS_API int ICBUS_CALL SetMealTimes(int port, int machine, int limit);
/* Consumption period: period number, start and end hour and minute
 * (9 characters, at most 21). */
ICBUS_API int ICBUS_CALL SetMealTime(int port, int machine, const char *period);
/* Keyboard menu entry `index` (0-9) with an amount in yuan, 0 to 99.9, sent
 * as three digits of tenths (truncated; see "Amounts" under the card writer
 * for the exact rule). */
ICBUS_API int ICBUS_CALL SetKeyboard(int port, int machine, int index, double amount);
/* Category menu amount: the first byte of `category` (A to F; any other
 * fails) and of `menu`, and the amount in yuan, 0 to 99.99, sent as four
 * digits of hundredths (truncated). */
ICBUS_API int ICBUS_CALL SetClassMenuMoney(int port, int machine, const char *category,
                                           const char *menu, double amount);
/* Category menu name (at most 18 bytes, padded to 13 with spaces) for the
 * category in the first byte of `category` (A to F). `menu` is not sent. */
ICBUS_API int ICBUS_CALL SetClassMenuName(int port, int machine, const char *category,
                                          const char *menu, const char *name);
/* A further parameter: selector (0-9) and text (at most 20 bytes). */
ICBUS_API int ICBUS_CALL SetReserveParam(int port, int machine, int selector, const char *text);
/* Punch interval of an attendance terminal, 0 to 999 ("SU%03d!"). */
ICBUS_API int ICBUS_CALL SetIntervalTime(int port, int machine, int interval);
/* Text for an attendance terminal's display: a line letter (A, B or C) and
 * the text, made exactly 17 bytes (cut, or padded with spaces). */
ICBUS_API int ICBUS_CALL SetScreenDisplayText(int port, int machine, const char *text);
/* Bell time of a timer: bell number, two time fields, ring seconds (8
 * characters, at most 21). */
ICBUS_API int ICBUS_CALL SetBellTime(int port, int machine, const char *bell);
/* Door-open period of a timer (9 characters, at most 21). */
ICBUS_API int ICBUS_CALL SetOpenTime(int port, int machine, const char *period);
/* Water tariff: price per unit in fen (0 to 999), units per dispensing (0 to
 * 99), seconds per unit (0 to 99) ("SU%03d%05d%02d%02d!" with price x units,
 * at most 99999, as the second field). */
ICBUS_API int ICBUS_CALL SetWaterParam(int port, int machine, int price, int units,
                                       int seconds);
/* Text shown when a card is read: card number (6), password field (6) and
 * name, made exactly 18 bytes. */
ICBUS_API int ICBUS_CALL SetReadCardName(int port, int machine, const char *text);

/* ---- Record counts and totals --------------------------------------------
 * On silence: 1.0 s; after the address 3.4 s (GetRecordCount), 2.6 s
 * (GetRecordCountA), 2.8 s (GetRecordCountR, GetRecordCountAt, GetTotal). */

/* Number of records the terminal holds, or -1 when the exchange failed or
 * the terminal answered "ERR". */
ICBUS_API int ICBUS_CALL GetRecordCount(int port, int machine);
/* GetRecordCount for a self-service top-up machine (management card). */
ICBUS_API int ICBUS_CALL GetRecordCountA(int port, int machine, int card);
/* Number of records of one kind (0-9, the terminal's own numbering), or -1. */
ICBUS_API int ICBUS_CALL GetRecordCountR(int port, int machine, int kind);
/* GetRecordCount for a desktop top-up machine (management card). */
ICBUS_API int ICBUS_CALL GetRecordCountAt(int port, int machine, int card);
/* Total amount in yuan of a window terminal's consumption records, or -1.0.
 * Read in tenths, or in hundredths when the decimal setting is "2". */
ICBUS_API double ICBUS_CALL GetTotal(int port, int machine);

/* ---- Record download -------------------------------------------------------
 * GetFirst (or GetFirstA) selects the terminal and keeps the port open; then
 * call the record function that fits the terminal again and again. Each
 * returns 1 with one record line in `out` (call again), 1 with "OVER" or the
 * empty text in `out` (the download is complete and the port closed), or 0
 * when the exchange failed (`out` untouched, port closed). No other call can
 * open a port while the download holds it. A record call without an open
 * download returns 0 and sends nothing.
 *
 * Record lines are the terminal's record text with a prefix and the machine
 * number (three digits) appended; `out` must hold the longest line plus its
 * terminator:
 *   GetNext     "20" record machine   37 bytes (38 with two decimals)
 *   GetNextK    "20" record machine   23 (attendance)
 *   GetNextR    "20" record machine   23
 *   GetNextBak  "20" record machine   37 (43 with two decimals; backup store)
 *   GetNextAt   "203" record machine  38 (desktop top-up machine)
 *   GetNextW    record machine        25 (water controller)
 *   GetNextA    "20" record machine   38 (self-service top-up machine)
 * `machine` (0-999) only supplies the appended digits; the terminal was
 * selected by GetFirst.
 *
 * On silence GetFirst and GetFirstA block 0.8 s (a 3-byte address reply;
 * nothing more is read). A record call whose terminal stops answering
 * blocks 6.65 s (GetNext, GetNextBak, GetNextAt: a 50 ms pause for the
 * terminal, then up to 32 bytes), 6.8 s (GetNextA), 4.6 s (GetNextW) or
 * 3.8 s (GetNextK, GetNextR). With two decimals the longer records add
 * 0.2 s to GetNext (33 bytes) and 1.2 s to GetNextBak (38 bytes). A record
 * call without an open download returns at once. */

/* Opens a download from terminal `machine`. 1 when the download is open. */
ICBUS_API int ICBUS_CALL GetFirst(int port, int machine);
/* GetFirst for top-up machines, with the management card number. */
ICBUS_API int ICBUS_CALL GetFirstA(int port, int machine, int card);
ICBUS_API int ICBUS_CALL GetNext(int machine, char *out);
ICBUS_API int ICBUS_CALL GetNextK(int machine, char *out);
ICBUS_API int ICBUS_CALL GetNextR(int machine, char *out);
ICBUS_API int ICBUS_CALL GetNextBak(int machine, char *out);
ICBUS_API int ICBUS_CALL GetNextAt(int machine, char *out);
ICBUS_API int ICBUS_CALL GetNextW(int machine, char *out);
ICBUS_API int ICBUS_CALL GetNextA(int machine, char *out);

/* ---- Real-time swipes ----------------------------------------------------- */

/* Polls terminal `machine` for its latest swipe over the port the caller
 * holds open in address mode (icDevInit, ChangeicDevSettings(0)); opens,
 * switches and closes nothing. Returns 1 when the poll was sent and the
 * reply read (the reply text, at most 20 characters, is copied into `out`,
 * at least 21 bytes, only when one arrived), 0 when sending or reading
 * failed. "000000" means no swipe. Reads with short time-outs (3 ms a byte,
 * a 5 ms gap ends the read): on silence it returns after 63 ms. */
ICBUS_API icbus_bool ICBUS_CALL Real_time(int machine, char *out);

/* ---- Card writer ------------------------------------------------------------
 * The desktop card writer on `port` reads and writes 16-byte blocks of
 * sector/block IC cards; `sector` is 0 to 99 and `block` 0 or more, the
 * absolute block number sector x 4 + block at most 99 (so a block above 3
 * names a block of a later sector). A sector or block outside that fails
 * with -1 before anything is sent: no exchange, no beep. Every call is a
 * sequence of complete port transactions: read the block, write it back
 * changed, beep on the writer.
 * The sector key is the one SetPassA loaded into the writer.
 *
 * Card result codes:
 *    1 success
 *    0 the writer answered nothing complete (no "!")
 *   -1 the port could not be opened or the exchange failed; a sector, block
 *      or text the writer's commands cannot carry
 *    2 no single card on the writer (anticollision error)
 *    3 the sector key does not match the card
 *    4 the writer could not read or write the block, or the block does not
 *      hold card data where the operation reads a field (nothing is written)
 *    5 a value out of range: nothing is written and no beep sounded
 *
 * Amounts are in yuan. The decimal setting (SetDecLen) selects the layout on
 * every call: "2" keeps the balance in hundredths in 3 bytes, anything else
 * in 2 bytes, whose unit the amount mode gives (0 tenths, 1 hundredths).
 * Amounts (here, in SetKeyboard, SetClassMenuMoney and TransmitATM): the
 * amount the caller wrote in decimal is converted exactly. A product
 * amount x unit that falls a binary rounding artefact short of a whole
 * number (1.15 x 100 is 114.99999999999999 as a double) is that number:
 * 1.15 yuan is 115 hundredths. A real fraction of a unit is truncated toward
 * zero (0.29 yuan is 2 tenths), or rounded up where a call says so.
 *
 * Each exchange reads with the line's time-outs, and a block read expects
 * 33 bytes: when the writer stays silent, an operation that reads the block
 * blocks 9.25 s (6.8 s for the read, then the failure beep: two beep
 * exchanges of 1.2 s each, 50 ms apart), WriteCard, WriteCardEx,
 * WriteCardPass and WriteCardMaxConsume 8.0 s, WriteCardAccountNo (no read)
 * 3.65 s, BeepAX 1.2 s a beep (2.45 s for the failure pattern). */

/* Beep on the writer: mode 0 success (one beep), 1 failure (two beeps 50 ms
 * apart); other modes send nothing and record ICBUS_ERR_BAD_ARGUMENT. */
ICBUS_API void ICBUS_CALL BeepAX(int port, int mode);
/* Reads the card number of the purse block into `out` (at least 8 bytes) as
 * decimal text of at least six digits. Card result code; failure beep when
 * the block cannot be read, success beep otherwise. */
ICBUS_API int ICBUS_CALL ReadCard(int port, int sector, int block, char *out);
/* Writes the card number (decimal text 0 to 1048575) into the purse block. */
ICBUS_API int ICBUS_CALL WriteCard(int port, int sector, int block, const char *number);
/* Issues a card: number, five-digit password and daily limit in yuan (stored
 * in tenths, at most 6553.5) in the one-decimal positions, whatever the
 * decimal setting. */
ICBUS_API int ICBUS_CALL WriteCardEx(int port, int sector, int block, const char *number,
                                     const char *password, double daily_limit);
/* Writes a whole block: the account number (hexadecimal digits, at most 21)
 * followed by 13 zeros. The block is not read first. */
ICBUS_API int ICBUS_CALL WriteCardAccountNo(int port, int sector, int block,
                                            const char *account);
/* Writes the five-digit card password: into the purse block in the
 * one-decimal layout, into the parameter block (sends 18 characters) in the
 * two-decimal layout. */
ICBUS_API int ICBUS_CALL WriteCardPass(int port, int sector, int block, const char *password);
/* Reads the five-digit card password into `out` (at least 6 bytes). Unlike
 * the other readers it writes `out` on failure too: the empty text when the
 * port, the writer or the block fails (not when the sector or block is out
 * of range or `out` is null: then nothing is sent and `out` is untouched). */
ICBUS_API int ICBUS_CALL ReadCardPass(int port, int sector, int block, char *out);
/* Balance in yuan, or -1.0 when the block cannot be read. */
ICBUS_API double ICBUS_CALL ReadBalance(int port, int sector, int block, int mode);
/* Adds `amount` to the balance and advances the top-up counter. 5 when the
 * new balance would exceed the field or the amount is negative. `kind` (0
 * top-up, 1 refund) is not stored on the card. */
ICBUS_API int ICBUS_CALL Increase(int port, int kind, int sector, int block, double amount,
                                  int mode);
/* Takes `amount` off the balance and advances the counter; with `cancel`
 * non-zero empties the purse and zeroes the counter. 5 when the balance does
 * not cover the amount or the amount is negative. */
ICBUS_API int ICBUS_CALL Decrease(int port, int cancel, int sector, int block, double amount,
                                  int mode);
/* Daily spending limit in yuan, or -1.0. */
ICBUS_API double ICBUS_CALL ReadCardMaxConsume(int port, int sector, int block);
/* Writes the daily limit: tenths (truncated, at most 6553.5) or, with two
 * decimals, hundredths (rounded up, at most 167772.15). */
ICBUS_API int ICBUS_CALL WriteCardMaxConsume(int port, int sector, int block, double limit);
/* Top-up counter 0 to 65535, or -1. No beep on success. */
ICBUS_API int ICBUS_CALL ReadCardAddCount(int port, int sector, int block);
/* Writes the top-up counter (0 to 65535). */
ICBUS_API int ICBUS_CALL WriteCardAddCount(int port, int sector, int block, int count);
/* Per-meal count limit of the parameter block (0 to 255), or -1. */
ICBUS_API int ICBUS_CALL ReadCardMaxCC(int port, int sector, int block);
/* Writes the per-meal count limit (0 to 255; above: 5 after reading). */
ICBUS_API int ICBUS_CALL WriteCardMaxCC(int port, int sector, int block, int limit);

/* ---- Top-up machine ---------------------------------------------------------- */

/* Sends one top-up order to the self-service top-up machine `machine`
 * (selected with its management card number `card_mgmt`): card number
 * 0-1048575, mode 0 (the amount replaces the balance) or 1 (it is added),
 * the amount in yuan (sent in tenths, truncated as under "Amounts"; below
 * 6553.6), the host's
 * local time, and the holder's name (GBK; its first three double-byte
 * characters are drawn as 16 x 16 glyph cells, a trailing single byte is
 * dropped; a piece of two spaces is a blank cell). Returns 1 when the
 * machine answered "DONE", else 0; values that do not fit the order fail
 * before anything is sent, and so does a name with a piece no font can draw
 * (no Chinese face installed, or bytes that are not a character): blank
 * cells would lose the name. The environment variable ICBUS_FONT may name
 * the font file to draw with.
 * On silence: 1.0 s; after the address 1.4 s (and about 65 ms of wire time
 * for the order's 120 bytes). */
ICBUS_API int ICBUS_CALL TransmitATM(int port, int machine, int card, int mode, double amount,
                                     const char *name, int card_mgmt);

/* ---- Demonstration console ------------------------------------------------ */

/* Opens the demonstration console, a modal window that tries every
 * operation by hand, and returns once it has been closed. Closing it stops
 * its swipe monitor first. Only the card writer page's target sector and
 * block outlive the call. Outside Windows it writes one line to standard
 * error and returns. */
ICBUS_API void ICBUS_CALL ShowDemo(void);
/* The console's form pointer (ordinal 80, a data export). The console keeps
 * its form to itself: the pointer is always null. */
ICBUS_API extern void *_frmDemo;

/* ---- Extensions: fast replies and one session per bus ---------------------
 * Exported by name only, beyond the ordinal table; a host that imports the
 * functions above by ordinal or by name sees no change.
 *
 * Fast replies: a reply read ends as soon as its "!" has arrived instead of
 * waiting out the read time-out for bytes a terminal never sends; whatever
 * follows the "!" is discarded before the next frame, as always. Results
 * and frames stay the same. A broadcast command still waits out its read
 * (replies of several terminals collide after the first "!"), the 50 ms
 * pause before some record reads stays, and the swipe poll keeps its own
 * short read. Off by default; ICBUS_FAST_REPLIES=1 in the environment when
 * the library loads turns it on for the functions above. */

/* Turns fast replies on (non-zero) or off for the functions above. */
ICBUS_API void ICBUS_CALL icbus_set_fast_replies(int on);

/* Every function above works on one process-wide session: one port at a
 * time, calls from several threads served one after the other in the order
 * they came. A session of its own lets a thread work another bus at the
 * same time: between icbus_session_enter and icbus_session_leave, the
 * functions above called on that thread work on the entered session (its
 * port, download, decimal setting and fast replies), and other threads that
 * enter the same session wait their turn, in order. Sessions nest. */
typedef struct icbus_session icbus_session;

/* A new session (no port open, compatible replies, one decimal place), or
 * null when there is no memory for one. */
ICBUS_API icbus_session *ICBUS_CALL icbus_session_new(void);
/* Ends a download the session still holds ("SZ!") and closes its port,
 * then frees it. Null is ignored. No thread may have entered it. */
ICBUS_API void ICBUS_CALL icbus_session_free(icbus_session *session);
/* Makes the session open `device` whatever port number a call names: a
 * device path on Linux ("/dev/ttyUSB0"), a device name on Windows ("COM12",
 * "\\.\COM12"). Null or the empty text goes back to the port numbers.
 * Returns 1, or 0 (nothing changed) for a null session or a name longer
 * than 259 bytes. */
ICBUS_API icbus_bool ICBUS_CALL icbus_session_set_device(icbus_session *session,
                                                          const char *device);
/* Fast replies for this session alone. */
ICBUS_API void ICBUS_CALL icbus_session_set_fast_replies(icbus_session *session, int on);
/* Late replies. A terminal that answers after its read has timed out is not
 * heard by the call that asked, but its late bytes may arrive while the next
 * call reads, and nothing in the frames tells them apart: a late "DONE!" can
 * make the next command succeed that its terminal never carried out, a late
 * clock text can be read as the next call's record count. The purge before
 * every frame clears only what has already arrived. So after a call that
 * failed with ICBUS_ERR_SILENT or ICBUS_ERR_NO_BANG, leave the bus quiet for
 * a while (longer than the latest answer of its slowest terminal) before the
 * next call, and treat a success that follows such a time-out on the same
 * bus with care (read back what it set).
 * A session can make that wait itself: with a settle time of `milliseconds`,
 * once a reply read has ended without its "!", the session watches the line
 * before its next frame (the closing "SZ!" of the same call, or the next
 * call's first frame) until it has been quiet that long, and drops what came
 * meanwhile; on a line that never falls quiet it gives up after the settle
 * time and one second more. Only calls that followed a time-out wait; frames
 * and results stay the same. 0 (the default) turns it off. Returns 1, or 0
 * (nothing changed) for a null session or a time outside 0 to 60000. */
ICBUS_API icbus_bool ICBUS_CALL icbus_session_set_settle(icbus_session *session, int milliseconds);
/* Waits for the session's turn and binds it to the calling thread. Null is
 * ignored. */
ICBUS_API void ICBUS_CALL icbus_session_enter(icbus_session *session);
/* A trace line, in UTF-8 without its line end (see icbus_set_trace_file). */
typedef void(ICBUS_CALL *icbus_trace_callback)(const char *line, void *context);
/* Hands every trace line of this session's calls to `callback` with
 * `context`, on the calling thread, beside any process-wide trace; a null
 * callback ends it. Null sessions are ignored. */
ICBUS_API void ICBUS_CALL icbus_session_set_trace(icbus_session *session,
                                                  icbus_trace_callback callback, void *context);
/* Ends this thread's icbus_session_enter. Without a matching enter on this
 * thread it does nothing. */
ICBUS_API void ICBUS_CALL icbus_session_leave(icbus_session *session);
/* Ends a record download early on the current session: data mode, "SZ!",
 * port closed. Returns 1 when a port was held and is now closed, 0 when
 * none was held (ICBUS_ERR_NOT_OPEN). */
ICBUS_API int ICBUS_CALL icbus_end_download(void);

/* Asks whether terminal `machine` answers, over the port the caller holds
 * open in address mode (icDevInit, ChangeicDevSettings(0)), as a scan of a
 * line does: the address frame "SA%03d!" with the swipe poll's short read
 * (5 ms between bytes, 12 ms in all), then, when it answered "OK", "SZ!" in
 * data mode and back to address mode. Returns 1 when it answered "OK", 0
 * when nothing or anything else came back, -1 when no port is held, the
 * machine number is out of range (0-999) or a mode switch failed. */
ICBUS_API int ICBUS_CALL icbus_probe(int machine);

/* ---- Extensions: the wire trace -------------------------------------------
 * For real hardware, where no simulator keeps a log: every frame the library
 * writes and every reply it reads, in the simulator's wire-log notation.
 *   # at 81234567        when the write began (monotonic microseconds)
 *   > M SA005!           a frame to the devices: M address mode (mark
 *                        parity), S data mode (space parity), N no parity
 *   # at 81235190        when the read began
 *   < N OK!              the bytes of one read from the devices
 *   # read 3 of 4 bytes in 202 ms, time-out
 * Bytes outside printable ASCII and the backslash appear as \xNN; "# open"
 * and "# close" notes name the device. A read that brings nothing shows only
 * its note ("read 0 of 4 bytes in 1000 ms, time-out"). Off by default: ICBUS_TRACE=stderr
 * or ICBUS_TRACE=/path/file in the environment when the library loads turns
 * it on for the whole process (the file is appended to). Tracing changes
 * nothing on the wire and no result. */

/* Sends the process-wide trace to "stderr", appends it to a file, or ends it
 * (null or ""). Returns 1; 0 when the file cannot be opened (the trace is
 * then off). */
ICBUS_API icbus_bool ICBUS_CALL icbus_set_trace_file(const char *target);

/* ---- Extensions: why the last call failed --------------------------------
 * Every function of this header records on the calling thread why it
 * failed: icbus_last_error() gives the code, icbus_last_error_message() a
 * sentence in UTF-8 that names the port's device (on Linux its path, such as
 * "cannot open /dev/ttyS1 (port 2): No such file or directory"; on Windows
 * the COM name and the system's own message). Each call starts by setting
 * the code to ICBUS_ERR_NONE, so it is 0 after a call that succeeded; when a
 * call fails in several steps, the first failure is the one recorded (a
 * failure beep or the closing "SZ!" that follows does not replace it).
 * Another thread's calls never change what this thread sees. The two
 * functions themselves change nothing. */
enum icbus_error {
  ICBUS_ERR_NONE = 0,
  /* An argument out of range or malformed: refused before anything was sent. */
  ICBUS_ERR_BAD_ARGUMENT = 1,
  /* The port cannot be opened: no such device, no permission, ... (the
   * system's reason: strerror on Linux, FormatMessage on Windows). */
  ICBUS_ERR_PORT_OPEN = 2,
  /* This program holds the port: a record download or the swipe monitor
   * keeps it, or another bus of this program has the same device open. */
  ICBUS_ERR_PORT_HELD = 3,
  /* Another program holds the port (on Linux its lock, on Windows access
   * denied or a sharing violation). */
  ICBUS_ERR_PORT_BUSY = 4,
  /* The port refused the line settings (19200 baud, 8 bits, the parity of
   * address or data mode) or its queues. */
  ICBUS_ERR_LINE_SETTINGS = 5,
  /* The call works on a port an earlier call holds open (GetNext...,
   * Real_time, ChangeicDevSettings, icbus_probe), and none is held. */
  ICBUS_ERR_NOT_OPEN = 6,
  /* Writing or reading failed on the open port (the device went away). */
  ICBUS_ERR_TRANSFER = 7,
  /* The device did not answer: nothing arrived within the read time-out. */
  ICBUS_ERR_SILENT = 8,
  /* Bytes arrived, but no "!" among them (a cut or garbled reply). */
  ICBUS_ERR_NO_BANG = 9,
  /* A complete reply that is not the one the command expects. */
  ICBUS_ERR_UNEXPECTED_REPLY = 10,
  /* The card writer's codes: "R1"/"W1" (no single card in the field),
   * "R2"/"W2" (the sector key does not match), "R3"/"W3" or a block that
   * holds no card data. */
  ICBUS_ERR_CARD_NO_SINGLE = 11,
  ICBUS_ERR_CARD_KEY = 12,
  ICBUS_ERR_CARD_BLOCK = 13,
  /* The value would leave the range its card field can hold (a balance
   * below zero or above the field): nothing was written. */
  ICBUS_ERR_CARD_VALUE = 14,
  /* The top-up name holds a character no available font can draw. */
  ICBUS_ERR_NAME_UNDRAWABLE = 15
};

/* The code of the calling thread's last call: ICBUS_ERR_NONE after a call
 * that succeeded. */
ICBUS_API int ICBUS_CALL icbus_last_error(void);
/* Why the calling thread's last call failed, in UTF-8; the empty text after
 * a call that succeeded. Never null. Owned by the library and valid until
 * this thread's next call. */
ICBUS_API const char *ICBUS_CALL icbus_last_error_message(void);
/* Asks whether TransmitATM could draw the name `name` (GBK) on this host:
 * 1 when every piece it would carry can be drawn (a piece of two spaces
 * needs no font), 0 when one cannot (no Chinese face installed, ICBUS_FONT
 * naming a file that cannot be loaded, bytes that are not a character) or
 * `name` is null. No port is used. */
ICBUS_API int ICBUS_CALL icbus_name_drawable(const char *name);

/* ---- Extensions: a card write whose answer went wrong ---------------------
 * A purse or limit write (Increase, Decrease, WriteCardMaxConsume,
 * WriteCardAddCount, WriteCardMaxCC, and the other operations that read a
 * block, change it and write it back: WriteCard, WriteCardEx, WriteCardPass)
 * that fails after its "SW" frame went out may still have changed the card:
 * the writer can apply a write and lose its answer. Retrying such a write
 * could credit a card twice. Call this after such a failure, on the same
 * session, before anything else on the card: it reads the block of that
 * write back with one "SR" exchange (no beep) and returns
 *    1  applied: the card holds what was written (icbus_last_error: none);
 *    0  not applied: the card holds what it held before; it is safe to retry
 *       (the code and message say why the write failed);
 *   -1  unknown: the block cannot be read back, or holds neither text (another
 *       card on the writer); read the card before retrying (the message says
 *       why);
 *   -2  no write to check: the session's last such operation failed before
 *       it wrote (the block could not be read, or a value was refused), or
 *       none was made (ICBUS_ERR_BAD_ARGUMENT).
 * Every such operation forgets the write before it; WriteCardAccountNo, which
 * does not read the block first, leaves nothing to check. */
ICBUS_API int ICBUS_CALL icbus_check_card_write(void);

/* The release of the library that is loaded, such as "1.0.0" (static text;
 * ICBUS_VERSION_STRING is the release of the headers). No port is used. */
ICBUS_API const char *ICBUS_CALL icbus_version(void);

#ifdef __cplusplus
}
#endif

#endif /* ICBUS_H */
