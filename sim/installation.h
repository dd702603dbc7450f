// An installation: the devices on one simulated bus, read from JSON.
//
//   {
//     "devices": [
//       { "type": "terminal",
//         "machine": 5,                  // bus address, 0..999
//         "management_card": 123456,     // 0..999999 (default 0)
//         "clock": "20260101080000",     // text answered to "SD!" (any text)
//         "records": 0,                  // stored records (default 0)
//         "faults": [                    // optional, tried in order
//           { "kind": "silence",         // silence | no_bang | zero_before_bang |
//                                        // wrong_word | extra_bytes | delay
//             "frame": "SD",             // frames starting with this (default: all)
//             "count": -1,               // times to commit it; -1 = always (default)
//             "delay_ms": 0,             // for delay
//             "text": "" }               // wrong_word: the reply text;
//         ] }                            // extra_bytes: the bytes appended
//     ]
//   }
//
// Every device names its "type"; new kinds of device add a builder for their
// type in installation.cpp. Unknown types and unknown keys are errors, so a
// misspelt setting cannot pass unnoticed.
#pragma once
#include <string>

#include "bus.h"

namespace icbus::sim {

// The installation used when none is given: terminals at machines 1 and 5,
// the latter with management card 123456.
const std::string& DefaultInstallation();

// Adds the devices of the JSON text to `bus`. On failure returns false with
// a message in `*error` and leaves `bus` unchanged.
bool BuildInstallation(const std::string& json_text, Bus* bus, std::string* error);

// BuildInstallation from a file.
bool LoadInstallation(const std::string& path, Bus* bus, std::string* error);

}  // namespace icbus::sim
