#include "bus/schedule.h"

#include <algorithm>
#include <ctime>

namespace icbus::site {

Clock::time_point NextDue(const Schedule& schedule, Clock::time_point after) {
  Clock::time_point next = Clock::time_point::max();
  if (schedule.every_minutes > 0) next = after + std::chrono::minutes(schedule.every_minutes);
  if (!schedule.at_minutes.empty()) {
    std::time_t now = Clock::to_time_t(after);
    std::tm local{};
    localtime_r(&now, &local);
    // Today's and tomorrow's times, in local time (mktime mends the day).
    for (int day = 0; day < 2; ++day) {
      for (int minutes : schedule.at_minutes) {
        std::tm at = local;
        at.tm_mday += day;
        at.tm_hour = minutes / 60;
        at.tm_min = minutes % 60;
        at.tm_sec = 0;
        at.tm_isdst = -1;
        Clock::time_point when = Clock::from_time_t(std::mktime(&at));
        if (when > after) next = std::min(next, when);
      }
    }
  }
  return next;
}

std::chrono::seconds BackOff(int failures, int most_minutes) {
  long minutes = 1;
  for (int i = 1; i < failures && minutes < most_minutes; ++i) minutes *= 2;
  return std::chrono::minutes(std::min<long>(minutes, most_minutes));
}

}  // namespace icbus::site
