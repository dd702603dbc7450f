// records count, records total, records collect: what a terminal holds and
// the download of it into a file.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "cli/failure_reason.h"
#include "cli/parallel.h"
#include "cli/progress.h"
#include "cli/report.h"
#include "commands/amount_units.h"
#include "commands/catalog.h"
#include "commands/record_download.h"

namespace icbus::tool {
namespace {

#ifdef ICBUS_TOOL_STORE
constexpr bool kHasStore = true;
#else
constexpr bool kHasStore = false;
#endif

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
      const bool counted = it->second >= 0;
      if (!counted) ++silent;
      Report(context,
             Describe(terminals.At(port, machine)) + ": " +
                 (counted ? std::to_string(it->second) : "no count"),
             JsonObject()
                 .Add("port", port)
                 .Add("machine", machine)
                 .AddRaw("count", counted ? std::to_string(it->second) : "null"));
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
  Report(context, std::to_string(count),
         JsonObject().Add("port", target.port).Add("machine", target.machine).Add("count", count));
  return Outcome::Success();
}

Outcome Total(const Context& context) {
  Target target = TargetFrom(context.options);
  double total = context.bus.get_total(target.port, target.machine);
  if (total < 0) return Outcome::Failure(Describe(target) + " did not report its total");
  const int scale = context.options.Text("decimals") == "2" ? 100 : 10;
  const std::string yuan = UnitsText(UnitsOf(total, scale), scale);
  Report(
      context, yuan,
      JsonObject().Add("port", target.port).Add("machine", target.machine).AddRaw("total", yuan));
  return Outcome::Success();
}

// How one terminal's download ended: the outcome (on success its message is
// the line to print) and how many records reached the file.
struct Collected {
  Outcome outcome;
  int records = 0;
  bool complete = false;
};

// Where the records go: the file `path`, or standard output for "-".
constexpr const char kStandardOutput[] = "-";

std::string Destination(const std::string& path) {
  return path == kStandardOutput ? "standard output" : path;
}

// Why `path` cannot be written ("Permission denied"), or nothing. Asked
// before the terminal is contacted; a file the check created is removed
// again, so a failure leaves the disk as it was.
std::optional<std::string> Unwritable(const std::string& path) {
  if (path == kStandardOutput) return std::nullopt;
  std::error_code error;
  const bool existed = std::filesystem::exists(path, error);
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (!file) return std::string(std::strerror(errno != 0 ? errno : EACCES));
  std::fclose(file);
  if (!existed) std::filesystem::remove(path, error);
  return std::nullopt;
}

// Downloads one terminal's records into `path` ("-": `out`); `progress`
// hears of each line (written, counted total or -1). `stop` ends the
// download early: the terminal is released and the lines so far kept.
// Every line is checked against `check`; a bad one is kept but fails the
// download.
Collected CollectOne(const BusApi& bus, const RecordKind& kind, const Target& target,
                     const std::string& path, std::ostream& out, RecordCheck check,
                     const std::function<void(int, int)>& progress,
                     const std::function<bool()>& stop) {
  const std::string where = Destination(path);
  if (auto why = Unwritable(path)) {
    return {Outcome::Failure("cannot write " + path + ": " + *why + "; nothing was sent")};
  }
  int total = -1;
  if (kind.counted) {
    total = CountRecords(bus, kind, target);
    if (total < 0) {
      return {Outcome::Failure(Describe(target) + " did not report its record count; " + where +
                               " was not touched")};
    }
  }
  RecordFile file;
  if (path == kStandardOutput) {
    file.Use(out);
  } else if (!file.Open(path)) {
    return {Outcome::Failure("cannot write " + path + ": " + std::strerror(errno) +
                             "; nothing downloaded")};
  }
  if (!OpenDownload(bus, kind, target)) {
    file.Close();
    return {
        Outcome::Failure(Describe(target) + " did not open a download; " + where + " is empty")};
  }
  progress(0, total);
  int written = 0;
  DownloadEnd end = DrainRecords(
      bus.*kind.next, target.machine,
      [&](const std::string& line) {
        check.Look(line);
        if (!file.Append(line)) return false;
        progress(++written, total);
        return true;
      },
      stop);
  // Why the terminal's last call failed, read before the release replaces it.
  const std::string reason = LibraryReason(bus);
  // Left early, the session still holds the port and the terminal: release
  // it ("SZ!") before anything else.
  if (end.abandoned || end.interrupted) bus.end_download();
  bool saved = file.Close();

  std::string count = std::to_string(end.lines) + (end.lines == 1 ? " record" : " records");
  const std::string kept = "after " + count + ", which are in " + where;
  Collected collected{Outcome::Success(), end.lines, end.complete};
  if (end.abandoned) {
    collected.outcome = Outcome::Failure("writing " + where + " failed after " + count +
                                         "; the download was abandoned");
  } else if (!saved) {
    collected.outcome = Outcome::Failure("writing " + where + " failed after " + count +
                                         "; not every line reached it");
  } else if (end.interrupted) {
    collected.outcome = Outcome::Failure("interrupted: the download from " + Describe(target) +
                                         " stopped " + kept + "; the terminal was released");
  } else if (!end.complete) {
    collected.outcome = Outcome::Explained("the download from " + Describe(target) + " broke off " +
                                           kept + (reason.empty() ? "" : " (" + reason + ")"));
  } else if (!check.ok()) {
    collected.outcome = Outcome::Failure(count + " from " + Describe(target) + " written to " +
                                         where + ", but " + check.Problem());
  } else {
    collected.outcome.message = count + " from " + Describe(target) + " written to " + where;
  }
  return collected;
}

RecordCheck CheckFor(const Context& context, const RecordKind& kind) {
  const bool two = context.options.Text("decimals") == "2";
  return RecordCheck(two ? kind.longest_two_decimals : kind.longest, kind.name);
}

JsonObject CollectedJson(const Target& target, const std::string& path,
                         const Collected& collected) {
  return JsonObject()
      .Add("port", target.port)
      .Add("machine", target.machine)
      .Add("records", collected.records)
      .Add("file", path)
      .Add("complete", collected.complete);
}

// How many terminals a failure names before it says "...".
constexpr std::size_t kNamedUnstarted = 5;

// One file per terminal in the directory --out names, the ports side by side.
Outcome CollectMany(const Context& context, const RecordKind& kind, const Terminals& terminals) {
  const std::string directory = context.options.Text("out");
  std::error_code error;
  if (!std::filesystem::is_directory(directory, error)) {
    return Outcome::Usage("with several terminals --out names a directory that exists, not '" +
                          directory + "'");
  }
  BusBoard board(context.err, terminals.ports, context.host.progress);
  struct Done {
    std::string path;
    Collected collected;
  };
  std::map<std::pair<int, int>, Done> outcomes;
  std::mutex mutex;
  ForEachPort(context.bus, context.options, terminals.ports, [&](int port) {
    for (int machine : terminals.machines) {
      if (context.host.interrupted()) break;
      char name[48];
      std::snprintf(name, sizeof name, "records-p%d-m%03d.txt", port, machine);
      std::string path = (std::filesystem::path(directory) / name).string();
      Target target = terminals.At(port, machine);
      Collected collected = CollectOne(
          context.bus, kind, target, path, context.out, CheckFor(context, kind),
          [&](int written, int total) {
            board.Show(port, Describe(target) + ": " + ProgressLine(written, total).substr(1));
          },
          [&] { return context.host.interrupted(); });
      std::lock_guard<std::mutex> lock(mutex);
      outcomes.emplace(std::make_pair(port, machine), Done{path, collected});
    }
  });
  board.Finish();
  int failed = 0;
  for (const auto& [terminal, done] : outcomes) {
    const Outcome& outcome = done.collected.outcome;
    if (WantsJson(context)) {
      Target target = terminals.At(terminal.first, terminal.second);
      context.out << CollectedJson(target, done.path, done.collected).Text() << "\n";
    } else if (outcome.ok) {
      context.out << outcome.message << "\n";
    }
    if (!outcome.ok) {
      context.err << "icbus: " << outcome.message << "\n";
      ++failed;
    }
  }
  // Stopped early, the terminals never reached must be named too: their
  // records are still on them.
  std::string unstarted;
  std::size_t never = 0;
  for (int port : terminals.ports) {
    for (int machine : terminals.machines) {
      if (outcomes.count({port, machine}) != 0) continue;
      if (never++ < kNamedUnstarted) {
        unstarted += (unstarted.empty() ? "" : ", ") + Describe(terminals.At(port, machine));
      }
    }
  }
  if (never > kNamedUnstarted) unstarted += ", ...";
  std::string message;
  if (failed > 0) {
    message =
        std::to_string(failed) + " of " + std::to_string(outcomes.size()) + " downloads failed";
  }
  if (never > 0) {
    message += (message.empty() ? "" : "; ") + std::to_string(never) +
               (never == 1 ? " download never started (" : " downloads never started (") +
               unstarted + ")";
  }
  if (!message.empty()) return Outcome::Failure(message);
  return Outcome::Success();
}

Outcome Collect(const Context& context) {
  // Asking once before the download makes Ctrl-C a request to stop it.
  if (context.host.interrupted()) return Outcome::Failure("interrupted; nothing was downloaded");
  Terminals terminals = TerminalsFrom(context.options);
  std::string why;
  const RecordKind* kind = KindFrom(context.options, &why);
  if (!kind) return Outcome::Usage(why);
  if (context.options.Has("db") == context.options.Has("out")) {
    return Outcome::Usage("give --out FILE or --db FILE");
  }
#ifdef ICBUS_TOOL_STORE
  if (context.options.Has("db")) {
    if (!terminals.one()) return Outcome::Usage("--db takes one port and one machine number");
    return CollectIntoStore(context, kind->name, terminals.ports.front(),
                            terminals.machines.front(), terminals.card);
  }
#endif
  const std::string path = context.options.Text("out");
  if (!terminals.one()) {
    if (path == kStandardOutput) {
      return Outcome::Usage(
          "--out - takes the records of one terminal; with several, --out "
          "names a directory");
    }
    return CollectMany(context, *kind, terminals);
  }
  bool drawing = context.host.progress;
  Target target = terminals.At(terminals.ports.front(), terminals.machines.front());
  Collected collected = CollectOne(
      context.bus, *kind, target, path, context.out, CheckFor(context, *kind),
      [&](int written, int total) {
        if (drawing) context.err << ProgressLine(written, total) << std::flush;
      },
      [&] { return context.host.interrupted(); });
  if (drawing) context.err << "\n";
  // With the records on standard output, the summary goes beside them. A
  // program reading --json learns what reached the file whatever happened.
  std::ostream& summary = path == kStandardOutput ? context.err : context.out;
  if (WantsJson(context)) {
    summary << CollectedJson(target, path, collected).Text() << "\n";
  } else if (collected.outcome.ok) {
    summary << collected.outcome.message << "\n";
  }
  return collected.outcome.ok ? Outcome::Success() : collected.outcome;
}

}  // namespace

CommandTable RecordCommands() {
  std::vector<OptionSpec> count = {PortsOption(), MachinesOption(), CardOption(), KindOption(false),
                                   IntegerOption("code", "N", 0, 9, false,
                                                 "count only the records of this kind digit, "
                                                 "the terminal's own numbering")};
  std::vector<OptionSpec> collect = {
      PortsOption(), MachinesOption(), CardOption(), KindOption(true),
      TextOption("out", "FILE", TextCheck::kAny, 1, 4096, !kHasStore,
                 "the file to write, created or emptied, or - for standard output; with "
                 "several terminals an existing directory, which gets "
                 "records-pPORT-mMACHINE.txt for each")};
#ifdef ICBUS_TOOL_STORE
  collect.push_back(TextOption("db", "FILE", TextCheck::kAny, 1, 4096, false,
                               "instead of --out: the site's store (SQLite), each record "
                               "committed before the next is asked for and stored once"));
#endif
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
       "fails; Ctrl-C stops it the same way, releases the terminal and says how many records "
       "the file holds. With --out - the records go to standard output and the summary to "
       "standard error. With several ports or machine numbers, --out is a directory and each "
       "terminal "
       "gets its own file; the ports are worked side by side, one progress line each. Where the "
       "tool is built with the site's store, --db FILE instead stores the records of one "
       "terminal in icbusd's store (bus portN), each committed before the next is asked for and "
       "each stored once by its position: a download again adds only the new records.",
       collect,
       Collect},
  };
}

}  // namespace icbus::tool
