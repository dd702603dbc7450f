#include "cli/run.h"

#include "cli/failure_reason.h"
#include "cli/help.h"
#include "cli/resolve.h"

namespace icbus::tool {

int Run(const std::vector<std::string>& args, const CommandTable& table, const BusApi& bus,
        std::ostream& out, std::ostream& err, const Host& host) {
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
  ApplyGlobalOptions(resolution.options, bus);
  Outcome outcome = resolution.command->handler({resolution.options, bus, out, err, host});
  // A command stopped by a signal ends as the shell expects of one,
  // whatever it managed before: 130 for Ctrl-C.
  const int signal = host.stop_signal();
  if (!outcome.ok) err << "icbus: " << FailureText(outcome, bus) << "\n";
  if (signal != 0) return kExitSignalBase + signal;
  if (outcome.ok) return kExitOk;
  if (!outcome.usage) return kExitFailed;
  err << HelpHint(resolution.command->path) << "\n";
  return kExitUsage;
}

}  // namespace icbus::tool
