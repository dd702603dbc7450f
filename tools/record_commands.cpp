// records count, records total, records collect: what a terminal holds and
// the download of it into a file.
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "catalog.h"
#include "parallel.h"
#include "progress.h"
#include "record_download.h"

namespace icbus::tool {
namespace {

// A list of ports and machine numbers: several terminals at once.
OptionSpec PortsOption() {
  return IntegerListOption("port", "LIST", 1, 255, true,
                           "the serial port number, or several (1,2 or 1-4): worked side by side");
}

OptionSpec MachinesOption() {
  return IntegerListOption("machine", "LIST", 0, 999, true,
                           "the terminal's machine number, or several (1-40 or 1,5,9)");
}

OptionSpec KindOption(bool required) {
  OptionSpec option = ChoiceOption("kind", RecordKindNames(), "which records: " + RecordKindHelp());
  option.value_name = "KIND";
  option.required = required;
  return option;
}

// The kind from --kind (consumption when not given), or why the options do
// not fit together.
const RecordKind* KindFrom(const OptionValues& options, std::string* why) {
  const RecordKind* kind =
      FindRecordKind(options.Has("kind") ? options.Text("kind") : "consumption");
  if (kind->top_up() && !options.Has("card")) {
    *why = "--kind " + kind->name +
           " needs --card: top-up machines are addressed with their "
           "management card";
    return nullptr;
  }
  if (!kind->top_up() && options.Has("card")) {
    *why = "--card is for top-up machines (--kind topup or desktop)";
    return nullptr;
  }
  return kind;
}

// The terminals a command names: every machine number on every port.
struct Terminals {
  std::vector<int> ports, machines;
  std::optional<int> card;
  bool one() const { return ports.size() == 1 && machines.size() == 1; }
  Target At(int port, int machine) const { return Target{port, machine, card}; }
};

Terminals TerminalsFrom(const OptionValues& options) {
  return {options.IntegerList("port"), options.IntegerList("machine"), options.OptionalInt("card")};
}

// Counts every terminal, the ports side by side; one line each.
Outcome CountMany(const Context& context, const RecordKind& kind, const Terminals& terminals) {
  BusBoard board(context.err, terminals.ports, context.host.progress);
  std::map<std::pair<int, int>, int> counts;
  std::mutex mutex;
  ForEachPort(context.bus, context.options, terminals.ports, [&](int port) {
    std::size_t done = 0;
    for (int machine : terminals.machines) {
      if (context.host.interrupted()) break;
      int count = CountRecords(context.bus, kind, terminals.At(port, machine));
      board.Show(port, std::to_string(++done) + "/" + std::to_string(terminals.machines.size()) +
                           " terminals");
      std::lock_guard<std::mutex> lock(mutex);
      counts[{port, machine}] = count;
    }
  });
  board.Finish();
  int silent = 0;
  for (int port : terminals.ports) {
    for (int machine : terminals.machines) {
      auto it = counts.find({port, machine});
      if (it == counts.end()) continue;  // interrupted before it
      context.out << Describe(terminals.At(port, machine)) << ": ";
      if (it->second < 0) {
        context.out << "no count\n";
        ++silent;
      } else {
        context.out << it->second << "\n";
      }
    }
  }
  if (silent > 0) {
    return Outcome::Failure(std::to_string(silent) + (silent == 1 ? " terminal" : " terminals") +
                            " did not report a record count");
  }
  return Outcome::Success();
}

Outcome Count(const Context& context) {
  Terminals terminals = TerminalsFrom(context.options);
  Target target = terminals.At(terminals.ports.front(), terminals.machines.front());
  int count;
  if (context.options.Has("code")) {
    if (context.options.Has("kind") || target.card) {
      return Outcome::Usage("--code counts on its own: it takes neither --kind nor --card");
    }
    if (!terminals.one()) return Outcome::Usage("--code counts one terminal at a time");
    int code = static_cast<int>(context.options.Integer("code"));
    count = context.bus.get_record_count_r(target.port, target.machine, code);
  } else {
    std::string why;
    const RecordKind* kind = KindFrom(context.options, &why);
    if (!kind) return Outcome::Usage(why);
    if (!terminals.one()) return CountMany(context, *kind, terminals);
    count = CountRecords(context.bus, *kind, target);
  }
  if (count < 0) return Outcome::Failure(Describe(target) + " did not report its record count");
  context.out << count << "\n";
  return Outcome::Success();
}

Outcome Total(const Context& context) {
  Target target = TargetFrom(context.options);
  double total = context.bus.get_total(target.port, target.machine);
  if (total < 0) return Outcome::Failure(Describe(target) + " did not report its total");
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", context.options.Text("decimals") == "2" ? 2 : 1, total);
  context.out << text << "\n";
  return Outcome::Success();
}

// Downloads one terminal's records into `path`; `progress` hears of each
// line (written, counted total or -1). The outcome's message on success is
// the line to print.
Outcome CollectOne(const BusApi& bus, const RecordKind& kind, const Target& target,
                   const std::string& path, const std::function<void(int, int)>& progress) {
  int total = -1;
  if (kind.counted) {
    total = CountRecords(bus, kind, target);
    if (total < 0) {
      return Outcome::Failure(Describe(target) + " did not report its record count; " + path +
                              " was not touched");
    }
  }
  RecordFile file;
  if (!file.Open(path)) return Outcome::Failure("cannot write " + path + "; nothing downloaded");
  if (!OpenDownload(bus, kind, target)) {
    file.Close();
    return Outcome::Failure(Describe(target) + " did not open a download; " + path + " is empty");
  }
  progress(0, total);
  int written = 0;
  DownloadEnd end = DrainRecords(bus.*kind.next, target.machine, [&](const std::string& line) {
    if (!file.Append(line)) return false;
    progress(++written, total);
    return true;
  });
  bool saved = file.Close();

  std::string count = std::to_string(end.lines) + (end.lines == 1 ? " record" : " records");
  if (end.abandoned) {
    // The session still holds the port when the loop was left early.
    bus.dev_close();
    return Outcome::Failure("writing " + path + " failed after " + count +
                            "; the download was abandoned");
  }
  if (!saved) {
    return Outcome::Failure("writing " + path + " failed after " + count +
                            "; not every line reached it");
  }
  if (!end.complete) {
    return Outcome::Failure("the download from " + Describe(target) + " broke off after " + count +
                            "; they are in " + path);
  }
  Outcome done = Outcome::Success();
  done.message = count + " from " + Describe(target) + " written to " + path;
  return done;
}

// One file per terminal in the directory --out names, the ports side by side.
Outcome CollectMany(const Context& context, const RecordKind& kind, const Terminals& terminals) {
  const std::string directory = context.options.Text("out");
  std::error_code error;
  if (!std::filesystem::is_directory(directory, error)) {
    return Outcome::Usage("with several terminals --out names a directory that exists, not '" +
                          directory + "'");
  }
  BusBoard board(context.err, terminals.ports, context.host.progress);
  std::map<std::pair<int, int>, Outcome> outcomes;
  std::mutex mutex;
  ForEachPort(context.bus, context.options, terminals.ports, [&](int port) {
    for (int machine : terminals.machines) {
      if (context.host.interrupted()) break;
      char name[48];
      std::snprintf(name, sizeof name, "records-p%d-m%03d.txt", port, machine);
      std::string path = (std::filesystem::path(directory) / name).string();
      Target target = terminals.At(port, machine);
      Outcome outcome = CollectOne(context.bus, kind, target, path, [&](int written, int total) {
        board.Show(port, Describe(target) + ": " + ProgressLine(written, total).substr(1));
      });
      std::lock_guard<std::mutex> lock(mutex);
      outcomes.emplace(std::make_pair(port, machine), outcome);
    }
  });
  board.Finish();
  int failed = 0;
  for (const auto& [terminal, outcome] : outcomes) {
    if (outcome.ok) {
      context.out << outcome.message << "\n";
    } else {
      context.err << "icbus: " << outcome.message << "\n";
      ++failed;
    }
  }
  if (failed > 0) {
    return Outcome::Failure(std::to_string(failed) + " of " + std::to_string(outcomes.size()) +
                            " downloads failed");
  }
  return Outcome::Success();
}

Outcome Collect(const Context& context) {
  Terminals terminals = TerminalsFrom(context.options);
  std::string why;
  const RecordKind* kind = KindFrom(context.options, &why);
  if (!kind) return Outcome::Usage(why);
  if (!terminals.one()) return CollectMany(context, *kind, terminals);
  bool drawing = context.host.progress;
  Outcome outcome = CollectOne(context.bus, *kind,
                               terminals.At(terminals.ports.front(), terminals.machines.front()),
                               context.options.Text("out"), [&](int written, int total) {
                                 if (drawing)
                                   context.err << ProgressLine(written, total) << std::flush;
                               });
  if (drawing) context.err << "\n";
  if (!outcome.ok) return outcome;
  context.out << outcome.message << "\n";
  return Outcome::Success();
}

}  // namespace

CommandTable RecordCommands() {
  std::vector<OptionSpec> count = {PortsOption(), MachinesOption(), CardOption(), KindOption(false),
                                   IntegerOption("code", "N", 0, 9, false,
                                                 "count only the records of this kind digit, "
                                                 "the terminal's own numbering")};
  std::vector<OptionSpec> collect = {
      PortsOption(), MachinesOption(), CardOption(), KindOption(true),
      TextOption("out", "FILE", TextCheck::kAny, 1, 4096, true,
                 "the file to write, created or emptied; with several terminals an existing "
                 "directory, which gets records-pPORT-mMACHINE.txt for each")};
  return {
      {{"records", "count"},
       "print how many records a terminal holds",
       "Prints the number of records the terminal holds. --kind chooses the count of a top-up "
       "machine (topup, desktop; with --card); the other kinds share one count. With several "
       "ports or machine numbers, one line per terminal (\"terminal 5 on port 1: 12\"); the "
       "ports are worked side by side, one progress line each on a terminal.",
       count,
       Count},
      {{"records", "total"},
       "print the total amount of a window terminal's records",
       "Prints the total amount in yuan of the consumption records a window terminal holds, "
       "with one decimal, or two with --decimals 2.",
       PlainTarget(),
       Total},
      {{"records", "collect"},
       "download a terminal's records into a file",
       "Downloads every record the terminal holds into FILE, one record line per line, each "
       "ending in CR LF. On a terminal, a progress bar on standard error counts the records. "
       "When the download breaks off, the lines received stay in the file and the command "
       "fails. With several ports or machine numbers, --out is a directory and each terminal "
       "gets its own file; the ports are worked side by side, one progress line each.",
       collect,
       Collect},
  };
}

}  // namespace icbus::tool
