// How many records a terminal holds, and the total amount of a window
// terminal's consumption records.
#pragma once

namespace icbus::records {

int GetRecordCount(int port, int machine);
int GetRecordCountA(int port, int machine, int card);
int GetRecordCountR(int port, int machine, int kind);
int GetRecordCountAt(int port, int machine, int card);
double GetTotal(int port, int machine);

}  // namespace icbus::records
