// An installation: the devices on one simulated bus, read from JSON.
//
//   {
//     "devices": [
//       { "type": "terminal",
//         "machine": 5,                  // bus address, 0..999
//         "machine_type": "K",           // one character, set by "SV" (default " ")
//         "management_card": 123456,     // 0..999999 (default 0)
//         "clock": "20260101080000",     // text answered to "SD!" (any text;
//                                        // a date runs on in icbus-sim)
//         "kind": "window",              // window | attendance | water | topup |
//                                        // desktop_topup | timer (default window)
//         "decimals": 1,                 // amount format: 1 tenths, 2 hundredths
//         "records": ["2612..."],        // stored records, delivered in order
//                                        // to "SC!" (texts without "!")
//         "generate": 12,                // or: that many records of the kind
//                                        // at its length (record_store.h),
//                                        // 0..99999 (the count's 5 digits)
//         "total": 0,                    // window terminal: amount of the
//                                        // records in its unit, 0..999999
//                                        // (0..99999999 with 2 decimals)
//                                        // (default: the generated records'
//                                        // amount, else 0)
//         "backup": [],                  // backup records, delivered to "SB!"
//         "generate_backup": 0,          // or: that many generated ones
//         "kind_counts": { "3": 4 },     // answers to "SK3!" and the like;
//                                        // other digits count all records
//         "count_error": false,          // true: answer "ERR" to every "SK"
//         "drops_sent": false,           // true: forget each record once sent
//         "swipes": ["..."],             // live swipes of 20 characters, one
//                                        // answered to each "SY" poll, then
//                                        // "000000"
//         "ic_password": "FFFFFFFFFFFF", // 12 hexadecimal characters
//         "style": 0,                    // 0..9: 0 loss-reporting, 1 account-opening
//         "in_service": true,            // false: paused
//         "reader_mode": false,          // true once told "SX!"
//         "answers_query": true,         // "SQ" queries the first list; false:
//                                        // "SQ" removes from the second list
//         "cards": ["123456"],           // first list (card texts)
//         "cards_ex": [],                // second list
//         "settings": { "SU": ["005"] }, // settings received, by command:
//                                        // "SU", "SH", "SI" or "SO"
//         "faults": [                    // optional, tried in order
//           { "kind": "silence",         // silence | no_bang | zero_before_bang |
//                                        // wrong_word | extra_bytes | delay
//             "frame": "SD",             // frames starting with this (default: all)
//             "count": -1,               // times to commit it; -1 = always (default)
//             "after": 0,                // answers let through first (default 0)
//             "delay_ms": 0,             // for delay
//             "text": "" }               // wrong_word: the reply text;
//         ] },                           // extra_bytes: the bytes appended
//       { "type": "card_writer",         // the desktop card writer
//         "key": "FFFFFFFFFFFF",         // the key it holds, 12 hexadecimal
//                                        // characters, set by "SG"
//         "cards": [                     // the cards it knows (default none)
//           { "blocks": { "2/2": "0100..." },  // "sector/block" (sector
//                                        // 0..15, block 0..3 within it): 32
//                                        // hexadecimal characters; blocks
//                                        // left out hold zeros
//             "keys": { "2": "A1B2C3D4E5F6" } },  // sector 0..15: the key
//                                        // that opens it; sectors left out:
//                                        // FFFFFFFFFFFF
//           {} ],                        // a blank card
//         "present": 0,                  // the card lying on the writer, an
//                                        // index into "cards"; -1 none (default
//                                        // the first card, none without cards)
//         "faults": [] },
//       { "type": "topup_machine",       // the self-service top-up machine
//         "machine": 3,                  // bus address, 0..999
//         "management_card": 4321,       // 0..999999 (default 0): with the
//                                        // machine, its six-digit address
//         "faults": [] }
//     ]
//   }
//
// Only "type" and the "machine" of a terminal or a top-up machine are
// required. Records stay stored until "SJ!" clears them (the backup store
// stays even then); each selection reads from the first record again
// (terminal.h). A card writer hears only frames at no parity and terminals
// and top-up machines only frames with the ninth bit, so all may share one
// simulated line. The default installation has no card writer and no top-up
// machine, so their commands go unanswered on it.
//
// Every device names its "type"; new kinds of device add a builder and a
// state writer for their type in installation.cpp. Unknown types and unknown
// keys are errors, so a misspelt setting cannot pass unnoticed.
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

// What `device` holds now, as its entry in an installation on one line of
// JSON (faults left out), so it can be read by a person or loaded again.
// A card writer's cards list only the blocks that are not zero and the keys
// that are not all F. Two keys tell what a device has heard, which an
// installation cannot set; leave them out to load the entry again:
//   "beeps": 3                   card writer: beeps sounded so far
//   "orders": [{"card": 1, "mode": 1, "tenths": 123, "time": "0407301509"}]
//                                top-up machine: the orders received, decoded
//                                (mode 0 overwrite, 1 add; time "yymmddhhnn")
// Control characters and bytes that are not UTF-8 (GBK text) appear as
// \xNN. A device of a type
// that has no entry form is described in words instead.
std::string DeviceState(const Device& device);

}  // namespace icbus::sim
