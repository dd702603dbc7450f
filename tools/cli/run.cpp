#include "cli/run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/failure_reason.h"
#include "cli/help.h"
#include "cli/report.h"
#include "cli/resolve.h"

namespace icbus::tool {

namespace {

// "--port /dev/ttyUSB0" becomes the number the library opens that device
// under; a number, a list or anything else stays for the option checks.
std::vector<std::string> WithPortNumbers(std::vector<std::string> args, const Host& host) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string* value = nullptr;
    std::string prefix;
    if (args[i] == "--port" && i + 1 < args.size()) {
      value = &args[++i];
    } else if (args[i].rfind("--port=", 0) == 0) {
      prefix = "--port=";
      value = &args[i];
    }
    if (!value) continue;
    if (std::optional<int> number = host.port_for_device(value->substr(prefix.size()))) {
      *value = prefix + std::to_string(*number);
    }
  }
  return args;
}

// Settings the library reads from the environment without a word when they
// are wrong; a host program expects that silence, a person at a shell does not.
void WarnAboutEnvironment(const Host& host, std::ostream& err) {
  const char* fast = host.environment("ICBUS_FAST_REPLIES");
  if (fast && *fast && std::string(fast) != "1" && std::string(fast) != "0") {
    err << "icbus: warning: ICBUS_FAST_REPLIES is '" << fast
        << "', which is neither 1 (on) nor 0 (off): fast replies stay off\n";
  }
  const char* trace = host.environment("ICBUS_TRACE");
  if (trace && *trace && std::string(trace) != "stderr") {
    errno = 0;
    if (std::FILE* file = std::fopen(trace, "a")) {
      std::fclose(file);
    } else {
      err << "icbus: warning: ICBUS_TRACE names " << trace << ", which cannot be written ("
          << std::strerror(errno) << "): no trace is kept\n";
    }
  }
}

// A terminal that keeps two decimals sends longer replies: read at the
// one-decimal length they arrive cut, without their "!".
// Only the record commands read amounts from a terminal.
std::string DecimalsHint(const Command& command, const OptionValues& options, const BusApi& bus) {
  if (command.path.front() != "records") return "";
  if (options.Text("decimals") == "2" || !bus.last_error) return "";
  if (bus.last_error() != ICBUS_ERR_NO_BANG) return "";
  return " \u2014 if the terminal keeps amounts with two decimals, try --decimals 2";
}

// With --json a failure is an object as well, with the library's code and
// message for a program to act on, and the port and machine it concerns.
std::string FailureJson(const OptionValues& options, const std::string& text, const BusApi& bus,
                        const Outcome& outcome) {
  JsonObject json;
  for (const char* key : {"port", "machine"}) {
    if (!options.Has(key)) continue;
    std::optional<long long> number = ParseInteger(options.Text(key));
    if (number) {
      json.Add(key, *number);
    } else {
      json.Add(key, options.Text(key));
    }
  }
  json.Add("ok", false).Add("error", text);
  for (const auto& [key, value] : outcome.json) json.Add(key, value);
  if (outcome.library_error) {
    json.Add("code", outcome.library_error->first).Add("message", outcome.library_error->second);
    return json.Text();
  }
  if (bus.last_error) json.Add("code", bus.last_error());
  if (bus.last_error_message) {
    const char* message = bus.last_error_message();
    json.Add("message", message ? message : "");
  }
  return json.Text();
}

}  // namespace

int Run(const std::vector<std::string>& typed, const CommandTable& table, const BusApi& bus,
        std::ostream& out, std::ostream& err, const Host& host) {
  const std::vector<std::string> args = WithPortNumbers(typed, host);
  Resolution resolution = Resolve(args, table);
  switch (resolution.kind) {
    case Resolution::Kind::kCommandHelp:
      out << CommandHelp(*resolution.command);
      return kExitOk;
    case Resolution::Kind::kGroupHelp:
      out << GroupHelp(table, resolution.group);
      return kExitOk;
    case Resolution::Kind::kUsageError:
      err << "icbus: " << resolution.error << "\n"
          << HelpHint(resolution.command ? resolution.command->path : resolution.group) << "\n";
      return kExitUsage;
    case Resolution::Kind::kRun:
      break;
  }
  WarnAboutEnvironment(host, err);
  ApplyGlobalOptions(resolution.options, bus);
  Outcome outcome = resolution.command->handler({resolution.options, bus, out, err, host});
  // A command stopped by a signal ends as the shell expects of one,
  // whatever it managed before: 130 for Ctrl-C.
  const int signal = host.stop_signal();
  if (!outcome.ok) {
    const std::string text =
        FailureText(outcome, bus) + DecimalsHint(*resolution.command, resolution.options, bus);
    if (resolution.options.Has("json")) {
      err << FailureJson(resolution.options, text, bus, outcome) << "\n";
    } else {
      err << "icbus: " << text << "\n";
    }
  }
  if (signal != 0) return kExitSignalBase + signal;
  if (outcome.ok) return kExitOk;
  if (!outcome.usage) return kExitFailed;
  err << HelpHint(resolution.command->path) << "\n";
  return kExitUsage;
}

}  // namespace icbus::tool
