// set meal-limit, set meal-period, set interval, set bell, set door, set
// water, set reserve: the schedules and tariffs a terminal runs by. Each is
// one command the terminal answers with "DONE".
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

Outcome MealPeriod(const Context& context) {
  Target target = TargetFrom(context.options);
  std::string period = context.options.Text("period");
  return Confirmed(context, target,
                   context.bus.set_meal_time(target.port, target.machine, period.c_str()),
                   "the consumption period " + period);
}

Outcome Interval(const Context& context) {
  Target target = TargetFrom(context.options);
  int interval = Int(context, "interval");
  return Confirmed(context, target,
                   context.bus.set_interval_time(target.port, target.machine, interval),
                   "the punch interval " + std::to_string(interval));
}

Outcome Bell(const Context& context) {
  Target target = TargetFrom(context.options);
  std::string bell = context.options.Text("bell");
  return Confirmed(context, target,
                   context.bus.set_bell_time(target.port, target.machine, bell.c_str()),
                   "the bell time " + bell);
}

Outcome Door(const Context& context) {
  Target target = TargetFrom(context.options);
  std::string period = context.options.Text("period");
  return Confirmed(context, target,
                   context.bus.set_open_time(target.port, target.machine, period.c_str()),
                   "the door-open period " + period);
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
       "end hour and minute, two digits each. 107001000 makes period 1 run from 07:00 to 10:00.",
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
       "Sets a bell time: the bell number, two two-digit time fields in the order the timer "
       "expects, and how many seconds it rings (three digits). 10730010 rings bell 1 for 10 s.",
       With({TextOption("bell", "NTTTTSSS", TextCheck::kDigits, 8, 8, true,
                        "bell number, time and ring seconds")}),
       Bell},
      {{"set", "door"},
       "set one door-open period of a timer",
       "Sets a door-open period: the period number and four two-digit time fields, opening hour "
       "and minute, then closing hour and minute.",
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
