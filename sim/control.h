// Changes a person or a test makes to a running installation, one command a
// line, as a site changes while a host works with it:
//
//   card place N      put card N (an index into the writer's "cards") on the
//                     card writer, in place of the one lying there
//   card remove       take the card off the card writer
//   swipe M TEXT      terminal M reports swipe TEXT (20 characters) to a poll,
//                     after the swipes it holds
//   record M TEXT     terminal M stores record TEXT after its records (the
//                     total stays as it is)
//   records M COUNT   terminal M stores COUNT more records of its kind, unlike
//                     any it generated before, and adds their amount to its
//                     total
//   state D           report all that device D (its place in the
//                     installation, from 1) holds: "device D now: {...}"
//
// M is a terminal's machine number. Words are separated by spaces; empty
// lines and lines starting with "#" are ignored.
#pragma once
#include <string>

#include "bus.h"

namespace icbus::sim {

struct ControlResult {
  bool done = false;
  std::string text;     // what changed, or why nothing did
  bool report = false;  // `text` is a report ("device 2 now: {...}"), not a change
};

// Carries out one command line on `bus`. A command that is wrong changes
// nothing.
ControlResult RunControl(Bus* bus, const std::string& line);

}  // namespace icbus::sim
