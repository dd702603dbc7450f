// records count, records total, records collect: what a terminal holds and
// the download of it into a file.
#include <cstdio>

#include "catalog.h"
#include "progress.h"
#include "record_download.h"

namespace icbus::tool {
namespace {

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

Outcome Count(const Context& context) {
  Target target = TargetFrom(context.options);
  int count;
  if (context.options.Has("code")) {
    if (context.options.Has("kind") || target.card) {
      return Outcome::Usage("--code counts on its own: it takes neither --kind nor --card");
    }
    int code = static_cast<int>(context.options.Integer("code"));
    count = context.bus.get_record_count_r(target.port, target.machine, code);
  } else {
    std::string why;
    const RecordKind* kind = KindFrom(context.options, &why);
    if (!kind) return Outcome::Usage(why);
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

Outcome Collect(const Context& context) {
  Target target = TargetFrom(context.options);
  std::string why;
  const RecordKind* kind = KindFrom(context.options, &why);
  if (!kind) return Outcome::Usage(why);
  const std::string path = context.options.Text("out");

  int total = -1;
  if (kind->counted) {
    total = CountRecords(context.bus, *kind, target);
    if (total < 0) {
      return Outcome::Failure(Describe(target) + " did not report its record count; " + path +
                              " was not touched");
    }
  }
  RecordFile file;
  if (!file.Open(path)) return Outcome::Failure("cannot write " + path + "; nothing downloaded");
  if (!OpenDownload(context.bus, *kind, target)) {
    file.Close();
    return Outcome::Failure(Describe(target) + " did not open a download; " + path + " is empty");
  }

  bool drawing = context.host.progress;
  if (drawing) context.err << ProgressLine(0, total) << std::flush;
  int written = 0;
  DownloadEnd end =
      DrainRecords(context.bus.*kind->next, target.machine, [&](const std::string& line) {
        if (!file.Append(line)) return false;
        ++written;
        if (drawing) context.err << ProgressLine(written, total) << std::flush;
        return true;
      });
  if (drawing) context.err << "\n";
  bool saved = file.Close();

  std::string count = std::to_string(end.lines) + (end.lines == 1 ? " record" : " records");
  if (end.abandoned) {
    // The session still holds the port when the loop was left early.
    context.bus.dev_close();
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
  context.out << count << " from " << Describe(target) << " written to " << path << "\n";
  return Outcome::Success();
}

}  // namespace

CommandTable RecordCommands() {
  std::vector<OptionSpec> count = {PortOption(), MachineOption(), CardOption(), KindOption(false),
                                   IntegerOption("code", "N", 0, 9, false,
                                                 "count only the records of this kind digit, "
                                                 "the terminal's own numbering")};
  std::vector<OptionSpec> collect = {
      PortOption(), MachineOption(), CardOption(), KindOption(true),
      TextOption("out", "FILE", TextCheck::kAny, 1, 4096, true,
                 "the file to write; created, or emptied when it exists")};
  return {
      {{"records", "count"},
       "print how many records a terminal holds",
       "Prints the number of records the terminal holds. --kind chooses the count of a top-up "
       "machine (topup, desktop; with --card); the other kinds share one count.",
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
       "fails.",
       collect,
       Collect},
  };
}

}  // namespace icbus::tool
