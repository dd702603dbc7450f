/* A host program as an integrator writes it: built against the installed
 * icbus (through find_package or pkg-config), it prints the version it was
 * compiled with and reads terminal 5's clock on port 1. */
#include <icbus.h>
#include <stdio.h>

int main(void) {
  char clock[15];
  printf("built against icbus %s (%d)\n", ICBUS_VERSION_STRING, ICBUS_VERSION_NUMBER);
  if (!GetTime(1, 5, clock)) {
    fprintf(stderr, "terminal 5 on port 1 did not answer\n");
    return 1;
  }
  printf("clock %s\n", clock);
  return 0;
}
