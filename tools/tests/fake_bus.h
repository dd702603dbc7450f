// A BusApi whose functions record their calls and answer as told.
#pragma once
#include <string>
#include <vector>

#include "bus_api.h"

namespace icbus::tool {

struct FakeBus {
  // Each call as "Name(arg, arg)"; SetDecLen with its text in quotes.
  std::vector<std::string> calls;
  int result = 1;                        // what every terminal function returns
  std::string clock = "20240102030405";  // written by GetTime/GetTimeA on success
};

// Points the fake functions at `bus` (one fake at a time) and returns them.
const BusApi& UseFakeBus(FakeBus* bus);

}  // namespace icbus::tool
