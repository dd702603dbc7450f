#include "cli/manual.h"

#include <map>
#include <set>
#include <vector>

#include "cli/help.h"

namespace icbus::tool {
namespace {

// roff: a backslash and a minus are escaped; a line that starts with a dot
// or an apostrophe would be a request.
std::string Roff(const std::string& text) {
  std::string out;
  bool line_start = true;
  for (char c : text) {
    if (line_start && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    line_start = c == '\n';
  }
  return out;
}

std::string OptionForm(const OptionSpec& option) {
  std::string form = "\\fB\\-\\-" + Roff(option.name) + "\\fR";
  if (!option.value_name.empty()) form += " \\fI" + Roff(option.value_name) + "\\fR";
  return form;
}

std::string OptionNote(const OptionSpec& option) {
  if (option.required) return " (required)";
  if (!option.default_value.empty()) return " (default " + option.default_value + ")";
  return "";
}

constexpr const char kHead[] = R"(.TH ICBUS 1 "2026" "icbus" "icbus manual"
.\" Generated from the command table by icbus_docs: edit tools/cli/manual.cpp
.\" or the commands, then build the icbus_docs_update target.
.SH NAME
icbus \- drive IC-card terminals and the card writer on a serial bus
.SH SYNOPSIS
.B icbus
.I COMMAND
.RI [ options ]
.RB [ \-\-decimals " 1|2]"
.RB [ \-\-fast ]
.RB [ \-\-json ]
.br
.B icbus
.RI [ COMMAND ]
.B \-\-help
.br
.B icbus \-\-version
.RB [ \-\-json ]
.SH DESCRIPTION
.B icbus
drives the terminals of an IC-card installation (canteen window terminals,
attendance terminals, timers, water controllers, top-up machines) that share
one multi-drop serial bus at 19200 baud, and the desktop card writer, through
the icbus library.
Every command is one complete transaction: it opens the port, selects the
terminal, sends one command, reads the answer, releases the terminal and
closes the port.
.PP
Options take a value
.RB ( "\-\-port 1" " or " \-\-port=1 )
except the flags; they may stand anywhere on the line.
.BI \-\-port " N"
is a port number (1 is COM1; on Linux the device named by
.BI ICBUS_COM N\fR,
else
.BI /dev/ttyS N\-1\fR)
or a device path such as
.BR /dev/ttyUSB0 .
Where a command takes lists,
.B "\-\-port 1,2 \-\-machine 1\-40"
works every machine number on every port, the ports side by side, one line
per terminal.
.PP
.B scan
lists the machine numbers that answer on a line.
Commands that every terminal on the line takes (machine number, management
card, passwords) scan the line first and send nothing unless exactly one
terminal answers.
.PP
Values are checked before anything is sent: a bad one is a usage error
(exit 2) that says what is wrong.
Texts for terminal displays are typed in UTF-8 and sent in GBK.
.SH GLOBAL OPTIONS
)";

constexpr const char kTail[] = R"(.SH EXIT STATUS
.TP
.B 0
Success.
.TP
.B 1
The operation failed; a one-line reason is printed on standard error (with
.BR \-\-json ,
a JSON object with the library's error code and message).
.TP
.B 2
The command line was wrong and nothing was sent.
.TP
.BR 130 ", " 128+N
A signal stopped the command: Ctrl-C (SIGINT) gives 130; SIGTERM, SIGHUP (a
dropped session) and SIGPIPE (a closed pipe) the same way.
A download stops between records, releases the terminal and keeps every
record in its file; a scan reports what it found so far; a command that
every terminal takes is not sent.
.SH ENVIRONMENT
.TP
.BI ICBUS_COM N
The device of port
.IR N ,
for example
.B ICBUS_COM1=/dev/ttyUSB0
or the link published by
.BR icbus\-sim (1).
.TP
.B ICBUS_TRACE
A file to append a trace of every frame and reply to, or
.BR stderr .
The tool warns when the file cannot be written.
.TP
.B ICBUS_FAST_REPLIES
.B 1
ends each read at its "!" (as
.BR \-\-fast );
the tool warns about any value but 1 and 0.
.TP
.B ICBUS_FONT
A font file for the glyphs of top-up names.
.TP
.B TZ
.B time set
sends the host's local time; set
.B TZ
to the installation's time zone when the host's differs.
.SH EXAMPLES
Against the simulator's built-in installation (terminals 1 and 5):
.PP
.nf
icbus\-sim \-\-link /tmp/com1 &
export ICBUS_COM1=/tmp/com1
icbus scan \-\-port 1 \-\-machine 0\-9
icbus time get \-\-port 1 \-\-machine 1,5
icbus time set \-\-port 1 \-\-machine 5 \-\-json
icbus records collect \-\-port 1 \-\-machine 5 \-\-kind consumption \-\-out rec.txt
kill %1
.fi
.SH SEE ALSO
.BR icbus\-sim (1),
the header
.BR icbus.h ,
and the troubleshooting page in
.IR /usr/share/doc/icbus .
)";

void AddOptions(std::string* page, const std::vector<OptionSpec>& options) {
  for (const OptionSpec& option : options) {
    *page += ".TP\n" + OptionForm(option) + "\n" + Roff(option.help + OptionNote(option)) + "\n";
  }
}

}  // namespace

std::string ManualPage(const CommandTable& table) {
  std::string page = kHead;
  AddOptions(&page, GlobalOptions());
  page += ".SH COMMANDS\n";
  for (const Command& command : table) {
    page += ".SS " + Roff(JoinPath(command.path)) + "\n";
    // The usage line of the command's own help, without "Usage: ".
    const std::string help = CommandHelp(command);
    page += ".nf\n" + Roff(help.substr(7, help.find('\n') - 7)) + "\n.fi\n.PP\n";
    page += Roff(command.description) + "\n";
    if (command.options.empty()) continue;
    page += ".RS\n";
    AddOptions(&page, command.options);
    page += ".RE\n";
  }
  return page + kTail;
}

std::string BashCompletion(const CommandTable& table) {
  // Words that may follow each typed prefix, and the options of each command.
  std::map<std::string, std::set<std::string>> next;
  std::map<std::string, std::vector<std::string>> options;
  for (const Command& command : table) {
    std::string prefix;
    for (const std::string& word : command.path) {
      next[prefix].insert(word);
      prefix += (prefix.empty() ? "" : " ") + word;
    }
    std::vector<std::string>& names = options[prefix];
    for (const OptionSpec& option : command.options) names.push_back("--" + option.name);
    for (const OptionSpec& option : GlobalOptions()) names.push_back("--" + option.name);
    names.push_back("--help");
  }
  std::string script =
      "# bash completion for icbus. Generated from the command table by icbus_docs.\n"
      "_icbus() {\n"
      "  local cur=${COMP_WORDS[COMP_CWORD]} path='' word i\n"
      "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
      "    word=${COMP_WORDS[i]}\n"
      "    [[ $word == -* ]] && continue\n"
      "    [[ ${COMP_WORDS[i - 1]} == --* && ${COMP_WORDS[i - 1]} != --help ]] && continue\n"
      "    path=\"${path:+$path }$word\"\n"
      "  done\n"
      "  local words=''\n"
      "  case $path in\n";
  for (const auto& [prefix, words] : next) {
    std::string list;
    for (const std::string& word : words) list += (list.empty() ? "" : " ") + word;
    auto own = options.find(prefix);
    if (own != options.end()) {
      for (const std::string& name : own->second) list += " " + name;
    }
    script += "    '" + prefix + "') words='" + list + "' ;;\n";
  }
  for (const auto& [path, names] : options) {
    if (next.count(path) != 0) continue;
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : " ") + name;
    script += "    '" + path + "') words='" + list + "' ;;\n";
  }
  script +=
      "  esac\n"
      "  [[ -z $path ]] && words=\"$words --help --version\"\n"
      "  COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
      "}\n"
      "complete -o default -F _icbus icbus\n";
  return script;
}

}  // namespace icbus::tool
