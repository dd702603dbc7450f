// When a scheduled job is next due, and how long to wait after failures.
#pragma once
#include <chrono>

#include "config/site_config.h"

namespace icbus::site {

using Clock = std::chrono::system_clock;

// The first moment after `after` the schedule names: the next multiple of its
// period since `after` ran, or the next of its fixed local times, whichever
// comes first. Clock::time_point::max() for an empty schedule.
Clock::time_point NextDue(const Schedule& schedule, Clock::time_point after);

// After `failures` failures in a row: one minute, doubling each time, at most
// `most_minutes`, so a silent terminal never costs the line more than that.
std::chrono::seconds BackOff(int failures, int most_minutes);

}  // namespace icbus::site
