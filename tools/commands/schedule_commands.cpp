// set meal-limit, set meal-period, set interval, set bell, set door, set
// water, set reserve: the schedules and tariffs a terminal runs by. Each is
// one command the terminal answers with "DONE".
#include <optional>
#include <string>
#include <vector>

#include "commands/catalog.h"
#include "commands/confirm.h"

namespace icbus::tool {
namespace {

int Int(const Context& context, const std::string& name) {
  return static_cast<int>(context.options.Integer(name));
}

Outcome MealLimit(const Context& context) {
  Target target = TargetFrom(context.options);
  int limit = Int(context, "limit");
  return Confirmed(context, target, context.bus.set_meal_times(target.port, target.machine, limit),
                   "the consumption-count limit " + std::to_string(limit));
}

// The times of day inside a schedule text: where each hour sits (its minute
// follows) and what the time is, for the message. The library sends any
// digits; a terminal given 25:99 runs by a time that never comes.
struct ClockField {
  std::size_t at;
  const char* what;
};

std::optional<std::string> BadClockField(const std::string& option, const std::string& text,
                                         const std::vector<ClockField>& fields) {
  for (const ClockField& field : fields) {
    int hour = std::stoi(text.substr(field.at, 2));
    int minute = std::stoi(text.substr(field.at + 2, 2));
    if (hour > 23 || minute > 59) {
      return "--" + option + " " + text + ": the " + field.what + " " + text.substr(field.at, 2) +
             ":" + text.substr(field.at + 2, 2) +
             " is not a time of day (hours 00 to 23, minutes 00 to 59); nothing was sent";
    }
  }
  return std::nullopt;
}

// One schedule text: the option that carries it, its times of day, the
// export that sends it and the words for the setting.
struct ScheduleText {
  const char* option;
  std::vector<ClockField> fields;
  int (ICBUS_CALL* BusApi::*send)(int port, int machine, const char* text);
  const char* what;
};

Outcome SendSchedule(const Context& context, const ScheduleText& schedule) {
  Target target = TargetFrom(context.options);
  std::string text = context.options.Text(schedule.option);
  if (auto why = BadClockField(schedule.option, text, schedule.fields)) return Outcome::Usage(*why);
  return Confirmed(context, target,
                   (context.bus.*schedule.send)(target.port, target.machine, text.c_str()),
                   std::string(schedule.what) + " " + text);
}

Outcome MealPeriod(const Context& context) {
  return SendSchedule(context, {"period",
                                {{1, "start time"}, {5, "end time"}},
                                &BusApi::set_meal_time,
                                "the consumption period"});
}

Outcome Interval(const Context& context) {
  Target target = TargetFrom(context.options);
  int interval = Int(context, "interval");
  return Confirmed(context, target,
                   context.bus.set_interval_time(target.port, target.machine, interval),
                   "the punch interval " + std::to_string(interval));
}

Outcome Bell(const Context& context) {
  return SendSchedule(context,
                      {"bell", {{1, "bell time"}}, &BusApi::set_bell_time, "the bell time"});
}

Outcome Door(const Context& context) {
  return SendSchedule(context, {"period",
                                {{1, "opening time"}, {5, "closing time"}},
                                &BusApi::set_open_time,
                                "the door-open period"});
}

Outcome Water(const Context& context) {
  Target target = TargetFrom(context.options);
  int price = Int(context, "price");
  int units = Int(context, "units");
  int seconds = Int(context, "seconds");
  return Confirmed(context, target,
                   context.bus.set_water_param(target.port, target.machine, price, units, seconds),
                   "the water tariff (" + std::to_string(price) + " fen a unit, " +
                       std::to_string(units) + " units a time, " + std::to_string(seconds) +
                       " s a unit)");
}

Outcome Reserve(const Context& context) {
  Target target = TargetFrom(context.options);
  int selector = Int(context, "selector");
  std::string text = context.options.Gbk("text");
  return Confirmed(
      context, target,
      context.bus.set_reserve_param(target.port, target.machine, selector, text.c_str()),
      "parameter " + std::to_string(selector) + " '" + context.options.Text("text") + "'");
}

std::vector<OptionSpec> With(std::vector<OptionSpec> more) {
  std::vector<OptionSpec> options = PlainTarget();
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

}  // namespace

CommandTable ScheduleCommands() {
  return {
      {{"set", "meal-limit"},
       "set a window terminal's consumption-count limit",
       "Sets how many times a card may pay at the window terminal.",
       With({IntegerOption("limit", "N", 0, 999, true, "the consumption-count limit")}),
       MealLimit},
      {{"set", "meal-period"},
       "set one of a window terminal's consumption periods",
       "Sets a consumption period: the period number, then the start hour and minute and the "
       "end hour and minute, two digits each. 107001000 makes period 1 run from 07:00 to 10:00. "
       "Hours run from 00 to 23, minutes from 00 to 59.",
       With({TextOption("period", "NHHMMHHMM", TextCheck::kDigits, 9, 9, true,
                        "period number, start and end time")}),
       MealPeriod},
      {{"set", "interval"},
       "set an attendance terminal's punch interval",
       "Sets the interval an attendance terminal keeps between two punches of one card.",
       With({IntegerOption("interval", "N", 0, 255, true, "the punch interval, 0 to 255")}),
       Interval},
      {{"set", "bell"},
       "set one bell time of a timer",
       "Sets a bell time: the bell number, the hour and minute (two digits each) and how many "
       "seconds it rings (three digits). 10730010 rings bell 1 at 07:30 for 10 s. A time "
       "that is not a time of day (hours 00 to 23, minutes 00 to 59) is refused.",
       With({TextOption("bell", "NHHMMSSS", TextCheck::kDigits, 8, 8, true,
                        "bell number, hour and minute, ring seconds")}),
       Bell},
      {{"set", "door"},
       "set one door-open period of a timer",
       "Sets a door-open period: the period number and four two-digit time fields, opening hour "
       "and minute, then closing hour and minute. Hours run from 00 to 23, minutes from 00 to "
       "59.",
       With({TextOption("period", "NHHMMHHMM", TextCheck::kDigits, 9, 9, true,
                        "period number, opening and closing time")}),
       Door},
      {{"set", "water"},
       "set a water controller's tariff",
       "Sets the water tariff: the price of a unit in fen, the units dispensed at a time and the "
       "seconds a unit lasts.",
       With({IntegerOption("price", "FEN", 0, 999, true, "price of a unit in fen, 0 to 999"),
             IntegerOption("units", "N", 0, 99, true, "units dispensed at a time, 0 to 99"),
             IntegerOption("seconds", "N", 0, 99, true, "seconds a unit lasts, 0 to 99")}),
       Water},
      {{"set", "reserve"},
       "set a further terminal parameter",
       "Sends a further parameter: a selector digit and a text whose meaning belongs to the "
       "terminal.",
       With({IntegerOption("selector", "N", 0, 9, true, "the parameter's selector, 0 to 9"),
             TextOption("text", "TEXT", TextCheck::kGbk, 0, 20, true,
                        "the parameter text, at most 20 bytes in GBK")}),
       Reserve},
  };
}

}  // namespace icbus::tool
