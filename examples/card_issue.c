/*
 * card_issue: issue a card on the desktop card writer and top it up.
 *
 *   card_issue PORT NUMBER AMOUNT
 *
 * Lay a blank card on the writer connected to port PORT; the program writes
 * card number NUMBER (0 to 1048575) with password 12345 and a daily limit
 * of 20 yuan, adds AMOUNT yuan to its purse and reads the balance and the
 * card number back.
 *
 * Try it against the simulator (its card writer holds one blank card):
 *   icbus-sim --link /tmp/com1 --config card-writer.json &
 *   ICBUS_COM1=/tmp/com1 ./card_issue 1 74565 50
 */
#include <icbus.h>
#include <stdio.h>
#include <stdlib.h>

/* The purse block: sector 2, block 2 of the card. */
enum { SECTOR = 2, BLOCK = 2 };

/* The card operations answer with one result code. */
static const char *describe(int code) {
  switch (code) {
    case 1:
      return "done";
    case 0:
      return "the writer answered nothing complete";
    case -1:
      return "the port could not be opened or the exchange failed";
    case 2:
      return "no single card on the writer";
    case 3:
      return "the sector key does not match the card";
    case 4:
      return "the writer could not read or write the block";
    case 5:
      return "a value out of range";
    default:
      return "an unknown result";
  }
}

static int check(const char *step, int code) {
  printf("%-28s %s\n", step, describe(code));
  return code == 1;
}

int main(int argc, char **argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: %s PORT NUMBER AMOUNT\n", argv[0]);
    return 2;
  }
  int port = atoi(argv[1]);
  const char *number = argv[2];
  double amount = atof(argv[3]);

  /* Amounts in tenths of a yuan on the card (the process-wide default);
   * SetDecLen("2") would select hundredths. */
  SetDecLen("1");

  /* The writer opens the card's sector with the key it holds: load the key
   * the cards were made with (a blank card's is twelve F). */
  if (!SetPassA(port, "FFFFFFFFFFFF")) {
    fprintf(stderr, "the card writer on port %d did not take the key\n", port);
    return 1;
  }

  /* Each card call reads the block, changes it and writes it back, then
   * beeps on the writer: three transactions on the port. */
  if (!check("issue (number, password):", WriteCardEx(port, SECTOR, BLOCK, number, "12345", 20.0)))
    return 1;
  /* Kind 0 is a top-up (1 a refund); mode 0 keeps the balance in tenths. */
  if (!check("top up:", Increase(port, 0, SECTOR, BLOCK, amount, 0))) return 1;

  double balance = ReadBalance(port, SECTOR, BLOCK, 0);
  if (balance < 0) {
    fprintf(stderr, "the balance could not be read\n");
    return 1;
  }
  char read_back[8]; /* decimal text of at least six digits */
  if (!check("read the card number:", ReadCard(port, SECTOR, BLOCK, read_back))) return 1;
  printf("card %s holds %.1f yuan\n", read_back, balance);
  return 0;
}
