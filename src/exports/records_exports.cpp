// C entry points of record counting, download and the real-time poll.
#include "link/api_lock.h"
#include "icbus.h"
#include "records/counts.h"
#include "records/download.h"
#include "records/realtime.h"

namespace r = icbus::records;
using Kind = icbus::records::RecordKind;

extern "C" {

ICBUS_API int ICBUS_CALL GetRecordCount(int port, int machine) {
  ICBUS_SERIALISED;
  return r::GetRecordCount(port, machine);
}

ICBUS_API int ICBUS_CALL GetRecordCountA(int port, int machine, int card) {
  ICBUS_SERIALISED;
  return r::GetRecordCountA(port, machine, card);
}

ICBUS_API int ICBUS_CALL GetRecordCountR(int port, int machine, int kind) {
  ICBUS_SERIALISED;
  return r::GetRecordCountR(port, machine, kind);
}

ICBUS_API int ICBUS_CALL GetRecordCountAt(int port, int machine, int card) {
  ICBUS_SERIALISED;
  return r::GetRecordCountAt(port, machine, card);
}

ICBUS_API double ICBUS_CALL GetTotal(int port, int machine) {
  ICBUS_SERIALISED;
  return r::GetTotal(port, machine);
}

ICBUS_API int ICBUS_CALL GetFirst(int port, int machine) {
  ICBUS_SERIALISED;
  return r::GetFirst(port, machine, std::nullopt);
}

ICBUS_API int ICBUS_CALL GetFirstA(int port, int machine, int card) {
  ICBUS_SERIALISED;
  return r::GetFirst(port, machine, card);
}

#define ICBUS_RECORD_EXPORT(name, kind)                      \
  ICBUS_API int ICBUS_CALL name(int machine, char* out) {    \
    ICBUS_SERIALISED;                                        \
    return r::GetRecord(kind, machine, out);                 \
  }

ICBUS_RECORD_EXPORT(GetNext, Kind::kNext)
ICBUS_RECORD_EXPORT(GetNextK, Kind::kNextK)
ICBUS_RECORD_EXPORT(GetNextR, Kind::kNextR)
ICBUS_RECORD_EXPORT(GetNextBak, Kind::kNextBak)
ICBUS_RECORD_EXPORT(GetNextAt, Kind::kNextAt)
ICBUS_RECORD_EXPORT(GetNextW, Kind::kNextW)
ICBUS_RECORD_EXPORT(GetNextA, Kind::kNextA)

ICBUS_API icbus_bool ICBUS_CALL Real_time(int machine, char* out) {
  ICBUS_SERIALISED;
  return r::RealTime(machine, out) ? 1 : 0;
}

}  // extern "C"
