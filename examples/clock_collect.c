/*
 * clock_collect: read a terminal's clock, then collect its consumption
 * records into a file, one record line per line of text.
 *
 *   clock_collect PORT MACHINE FILE
 *
 * PORT is the serial port number (1 is COM1; on Linux port n is the device
 * named by the environment variable ICBUS_COM<n>, else /dev/ttyS<n-1>),
 * MACHINE the terminal's machine number on the bus (0 to 999).
 *
 * Try it against the simulator:
 *   icbus-sim --link /tmp/com1 &
 *   ICBUS_COM1=/tmp/com1 ./clock_collect 1 5 records.txt
 */
#include <icbus.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s PORT MACHINE FILE\n", argv[0]);
    return 2;
  }
  int port = atoi(argv[1]);
  int machine = atoi(argv[2]);
  const char *path = argv[3];

  /* Every call is a whole transaction: it opens the port, selects the
   * terminal, asks, and closes the port again. The clock text has at most
   * 14 characters (yyyymmddhhnnss), so 15 bytes hold it. */
  char clock[15];
  if (!GetTime(port, machine, clock)) {
    fprintf(stderr, "terminal %d on port %d did not answer the clock request\n", machine, port);
    return 1;
  }
  printf("clock of terminal %d: %s\n", machine, clock);

  /* How many records to expect; -1 means the terminal did not answer. */
  int count = GetRecordCount(port, machine);
  if (count < 0) {
    fprintf(stderr, "terminal %d did not say how many records it holds\n", machine);
    return 1;
  }
  printf("terminal %d holds %d records\n", machine, count);

  FILE *file = fopen(path, "w");
  if (!file) {
    perror(path);
    return 1;
  }

  /* A download keeps the port open from GetFirst until the terminal says
   * it has no more: GetNext returns 1 with a record line, or 1 with "OVER"
   * (or the empty text) at the end, and 0 when the line broke. GetNext's
   * longest line is 37 characters (38 with two decimals), so 64 bytes are
   * plenty. */
  int collected = 0;
  int ok = GetFirst(port, machine);
  if (!ok) fprintf(stderr, "terminal %d did not open the download\n", machine);
  while (ok) {
    char line[64];
    ok = GetNext(machine, line);
    if (!ok) {
      fprintf(stderr, "the download broke off after %d records\n", collected);
      break;
    }
    if (strcmp(line, "OVER") == 0 || line[0] == '\0') break; /* complete; port closed */
    fprintf(file, "%s\n", line);
    ++collected;
  }
  if (fclose(file) != 0) {
    perror(path);
    ok = 0;
  }
  if (!ok) return 1;
  printf("collected %d records into %s\n", collected, path);
  /* Records stored between the count and the download are collected too. */
  return collected >= count ? 0 : 1;
}
