#include "bus_api.h"

namespace icbus::tool {

const BusApi& LibraryApi() {
  static const BusApi api = {
      SetDecLen, GetTime, GetTimeA, SetTime, SetTimeA, Clear, ClearA,
  };
  return api;
}

}  // namespace icbus::tool
