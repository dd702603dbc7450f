// A subcommand of the tool: where it sits in the command tree, the options it
// takes and the function that carries it out.
#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/options.h"
#include "host/bus_api.h"
#include "host/host.h"

namespace icbus::tool {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;        // the operation was tried and did not succeed
constexpr int kExitUsage = 2;         // the command line was wrong; nothing was sent
constexpr int kExitSignalBase = 128;  // + the signal that stopped the command

// What a handler reports: success, or the one-line reason it failed. A usage
// failure is a command line the option checks alone could not refuse (options
// that only make sense together); it is reported before anything was sent.
struct Outcome {
  bool ok = true;
  std::string message;
  bool usage = false;
  // The message already carries the library's reason: it stands as it is.
  bool explained = false;
  // Keys a failure's --json object carries besides its error (text values).
  std::vector<std::pair<std::string, std::string>> json;
  // The library's code and message for the failure, kept when a later call
  // (a read-back) has since replaced what the library reports.
  std::optional<std::pair<int, std::string>> library_error;
  static Outcome Success() { return {}; }
  static Outcome Failure(std::string why) { return Failed(std::move(why), false, false); }
  static Outcome Usage(std::string why) { return Failed(std::move(why), true, false); }
  static Outcome Explained(std::string why) { return Failed(std::move(why), false, true); }

 private:
  static Outcome Failed(std::string why, bool usage, bool explained) {
    Outcome outcome;
    outcome.ok = false;
    outcome.message = std::move(why);
    outcome.usage = usage;
    outcome.explained = explained;
    return outcome;
  }
};

struct Context {
  const OptionValues& options;
  const BusApi& bus;
  std::ostream& out;  // results for the user; failures travel in the Outcome
  std::ostream& err;  // progress while a command runs
  const Host& host;
};

using Handler = Outcome (*)(const Context& context);

struct Command {
  std::vector<std::string> path;  // e.g. {"time", "get"}
  std::string summary;            // one line, for the command list
  std::string description;        // a paragraph for the command's own help
  std::vector<OptionSpec> options;
  Handler handler = nullptr;
};

using CommandTable = std::vector<Command>;

// Options every command accepts, applied before the handler runs.
const std::vector<OptionSpec>& GlobalOptions();

// Applies the global options the command line gave (the decimal setting,
// fast replies) to the session the calling thread works on.
void ApplyGlobalOptions(const OptionValues& options, const BusApi& bus);

// The path as typed: "time get".
std::string JoinPath(const std::vector<std::string>& path);

}  // namespace icbus::tool
