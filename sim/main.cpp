// icbus-sim: an installation of simulated devices behind a pseudo-terminal,
// answering in real time.
//
//   icbus-sim [--link PATH] [--config FILE] [--log FILE] [--pidfile FILE]
//             [--control PATH] [--pace] [--stamps] [--fixed-clocks]
//   icbus-sim --print-default | --version | --help
//
// The wire log has one line per frame, flushed at once:
//   > M SA005!     host to devices; M address mode, S data mode, N no parity
//   < N OK!        devices to host
// Bytes outside printable ASCII, and the backslash, appear as \xNN. Lines
// starting with "#" are notes, not frames: the line, each device with what
// it holds at the start ("# device 2: {...}"), what a frame changed in a
// device, right after that frame ("# device 2 changed: clock "2026..." ->
// "2026..."", state_changes.h), what a device made of a frame, and the
// stop. Notes are UTF-8: control characters and other bytes (GBK texts)
// appear as \xNN. A card writer's beep is noted with
// its pattern ("# beep 1"); a top-up order is followed by the name it carries
// as the machine would show it, a heading ("# device 3 order 1 name:") and 16
// lines of text art, one glyph cell beside the other ("#" ink, "." paper).
// With --stamps every frame line follows a note "# at MICROS": the time the
// frame was heard or sent, on the system's monotonic clock, which the logs of
// several simulators share. Each line read from the control is noted with
// what it changed ("# control: card 1 on the card writer") or why it changed
// nothing ("# control refused \"card place 7\": ..."); "state 2" notes all
// that device 2 holds ("# device 2 now: {...}").
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bus.h"
#include "card_writer.h"
#include "common/wire_text.h"
#include "control.h"
#include "control_fifo.h"
#include "icbus_version.h"
#include "installation.h"
#include "pacer.h"
#include "pty_line.h"
#include "state_changes.h"
#include "terminal.h"
#include "topup_machine.h"

namespace {

using icbus::sim::Mode;
using SteadyClock = std::chrono::steady_clock;

// Bytes without their "!" are taken as a cut frame after this much silence.
constexpr std::chrono::milliseconds kCutFrameIdle{50};

// The pty carries no ninth bit: the mode of arriving bytes is the line
// setting when they are read, and a purge by the host discards what is still
// unread. A host may close the port, reopen it at another parity and purge
// within a few milliseconds of its last frame, while a process asleep on an
// idle (virtual) machine can take longer than that to wake. So for this long
// after the last byte either way the line is looked at every tick rather than
// only when bytes wake the simulator; the time covers a host waiting out the
// 200 ms that end a short reply. This narrows the race; only a host that
// gives the line time before it changes it can close it.
constexpr std::chrono::milliseconds kWatchAfterTraffic{500};
constexpr std::chrono::microseconds kWatchTick{500};

// The bus speed. A byte carries a start bit, 8 data bits and a stop bit, and
// on the bus the ninth bit as well.
constexpr unsigned kBaud = 19200;
unsigned BitsPerByte(Mode mode) { return mode == Mode::kNone ? 10 : 11; }

volatile sig_atomic_t g_stop = 0;
void OnStop(int) { g_stop = 1; }

struct Options {
  std::string link, config, log, pidfile, control;
  bool print_default = false;
  bool help = false;
  bool version = false;
  bool pace = false;
  bool stamps = false;
  bool fixed_clocks = false;
};

void Usage(FILE* out) {
  std::fputs(
      "usage: icbus-sim [--link PATH] [--config FILE] [--log FILE] [--pidfile FILE]\n"
      "                 [--control PATH] [--pace] [--stamps] [--fixed-clocks]\n"
      "       icbus-sim --print-default | --version | --help\n"
      "  --link PATH      publish the pty's device path as symlink PATH\n"
      "  --config FILE    installation as JSON (default: see --print-default)\n"
      "  --log FILE       wire log, one line per frame (default: standard error)\n"
      "  --pidfile FILE   write the process id once the line is ready\n"
      "  --control PATH   take commands from the FIFO PATH while running: card place N,\n"
      "                   card remove, swipe M TEXT, record M TEXT, records M COUNT,\n"
      "                   state D\n"
      "  --pace           keep to the line's speed (19200 baud): a frame counts as\n"
      "                   heard once its last byte would have arrived, and replies\n"
      "                   leave byte by byte (default: at once)\n"
      "  --stamps         note the monotonic time of each frame in the wire log\n"
      "  --fixed-clocks   terminal clocks answer the time given or set, and stand still\n"
      "                   (default: they run on in real time)\n"
      "  --print-default  print the built-in installation and exit\n"
      "  --version        print the version and exit\n",
      out);
}

// Reads the command line; false with the reason in `*error` when it is
// wrong, naming the option.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error) {
  const std::map<std::string, std::string*> valued = {
      {"--link", &options->link},       {"--config", &options->config},   {"--log", &options->log},
      {"--pidfile", &options->pidfile}, {"--control", &options->control},
  };
  const std::map<std::string, bool*> flags = {
      {"--pace", &options->pace},
      {"--stamps", &options->stamps},
      {"--fixed-clocks", &options->fixed_clocks},
      {"--print-default", &options->print_default},
      {"--help", &options->help},
      {"-h", &options->help},
      {"--version", &options->version},
  };
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (auto flag = flags.find(arg); flag != flags.end()) {
      *flag->second = true;
    } else if (auto target = valued.find(arg); target != valued.end()) {
      if (i + 1 >= argc) {
        *error = arg + " needs a value";
        return false;
      }
      *target->second = argv[++i];
    } else {
      *error =
          arg.rfind("-", 0) == 0 ? "unknown option " + arg : "unexpected argument \"" + arg + "\"";
      return false;
    }
  }
  return true;
}

class WireLog {
 public:
  WireLog(FILE* out, bool stamps) : out_(out), stamps_(stamps) {}
  void Frame(char direction, Mode mode, const std::string& bytes) {
    if (stamps_) {
      auto now = std::chrono::steady_clock::now().time_since_epoch();
      Note("at " + std::to_string(
                       std::chrono::duration_cast<std::chrono::microseconds>(now).count()));
    }
    std::fprintf(out_, "%s\n",
                 icbus::WireFrameLine(direction, static_cast<char>(mode), bytes).c_str());
    std::fflush(out_);
  }
  void Note(const std::string& text) {
    std::fprintf(out_, "%s\n", icbus::WireNoteLine(text).c_str());
    std::fflush(out_);
  }

 private:
  FILE* out_;
  bool stamps_;
};

// Replaces an existing symlink atomically, but never another kind of file
// and never a link to a pseudo-terminal that is still there: that is most
// likely the line of a simulator still running, whose host would lose it.
// False with the reason in `*error`.
bool PublishLink(const std::string& link, const std::string& target, std::string* error) {
  struct stat st {};
  if (::lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      *error = "cannot publish " + link + ": it exists and is not a symbolic link";
      return false;
    }
    char held[256] = {};
    struct stat line {};
    if (::readlink(link.c_str(), held, sizeof held - 1) > 0 && ::stat(link.c_str(), &line) == 0 &&
        S_ISCHR(line.st_mode)) {
      *error = "cannot publish " + link + ": it leads to " + held +
               ", a pseudo-terminal in use (another icbus-sim?); stop that one, or remove the "
               "link if it is stale";
      return false;
    }
  }
  std::string temporary = link + ".tmp" + std::to_string(::getpid());
  ::unlink(temporary.c_str());
  if (::symlink(target.c_str(), temporary.c_str()) != 0 ||
      ::rename(temporary.c_str(), link.c_str()) != 0) {
    *error = "cannot publish " + link + ": " + std::strerror(errno);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

// Removes the link only while it still names our pty.
void WithdrawLink(const std::string& link, const std::string& target) {
  char buffer[256] = {};
  ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
  if (n > 0 && target == std::string(buffer, static_cast<std::size_t>(n))) ::unlink(link.c_str());
}

// setsid() fails in a process-group leader (a job started by a shell). Then
// a child does the work and this process passes stop signals on to it.
void LeaveProcessGroupLead() {
  if (::getpid() != ::getpgrp()) return;
  pid_t child = ::fork();
  if (child <= 0) return;  // the child, or no fork: carry on here
  static pid_t s_child = child;
  auto forward = [](int sig) { ::kill(s_child, sig); };
  struct sigaction action {};
  action.sa_handler = forward;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGHUP, &action, nullptr);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

// Notes what device `number` made of the frames since it was last asked:
// beeps and top-up orders, of which `*seen` were noted before.
void NoteHeard(const icbus::sim::Device& device, std::size_t number, std::size_t* seen,
               WireLog* log) {
  if (const auto* writer = dynamic_cast<const icbus::sim::CardWriter*>(&device)) {
    for (; *seen < writer->beeps().size(); ++*seen) {
      log->Note("beep " + std::to_string(writer->beeps()[*seen]));
    }
  } else if (const auto* machine = dynamic_cast<const icbus::sim::TopUpMachine*>(&device)) {
    for (; *seen < machine->orders().size(); ++*seen) {
      log->Note("device " + std::to_string(number) + " order " + std::to_string(*seen + 1) +
                " name:");
      std::istringstream art(icbus::sim::CellsAsArt(machine->orders()[*seen]));
      for (std::string line; std::getline(art, line);) log->Note(line);
    }
  }
}

class Simulator {
 public:
  Simulator(icbus::sim::PtyLine* line, icbus::sim::Bus* bus, icbus::sim::ControlFifo* control,
            WireLog* log, bool pace)
      : line_(line),
        bus_(bus),
        control_(control),
        log_(log),
        pace_(pace),
        heard_(bus->devices().size()) {
    for (const auto& device : bus_->devices()) held_.push_back(icbus::sim::DeviceState(*device));
  }

  // Runs until a stop signal; `waiting` is the signal mask to wait under.
  bool Run(const sigset_t& waiting) {
    while (!g_stop) {
      pollfd p[2] = {{line_->master(), POLLIN, 0}, {control_ ? control_->fd() : -1, POLLIN, 0}};
      timespec wait{};
      timespec* timeout = NextDeadline(&wait);
      int ready = ::ppoll(p, 2, timeout, &waiting);
      if (ready < 0 && errno != EINTR) return false;
      // A command written before a frame was sent is carried out first.
      if (ready > 0 && (p[1].revents & POLLIN)) Control();
      if (ready > 0 && (p[0].revents & POLLIN) && !Receive()) return false;
      if (ready > 0 && (p[0].revents & (POLLERR | POLLNVAL))) return false;
      FlushCutFrame();
      SendDueReplies();
    }
    return true;
  }

 private:
  bool Receive() {
    std::string bytes;
    if (!line_->ReadAvailable(&bytes)) return false;
    if (bytes.empty()) return true;
    last_byte_ = SteadyClock::now();
    last_traffic_ = last_byte_;
    for (const auto& frame : assembler_.Push(bytes, line_->CurrentMode())) Deliver(frame);
    // Only a "!" completes a frame, so any other last byte leaves one open.
    pending_cut_ = bytes.back() != '!';
    return true;
  }

  void Control() {
    for (const std::string& line : control_->TakeLines()) {
      icbus::sim::ControlResult result = icbus::sim::RunControl(bus_, line);
      if (result.done && result.text.empty()) continue;
      if (result.report) {
        log_->Note(result.text);
        continue;
      }
      log_->Note(result.done ? "control: " + result.text
                             : "control refused \"" + line + "\": " + result.text);
      NoteChangedDevices();
    }
  }

  void Deliver(const icbus::sim::Frame& frame) {
    log_->Frame('>', frame.mode, frame.bytes);
    auto reply = bus_->Deliver(frame);
    NoteChangedDevices();
    if (!reply || reply->bytes.empty()) return;
    auto due = SteadyClock::now() + std::chrono::milliseconds(reply->delay_ms);
    // The pty delivered the frame at once; a terminal on a real line would
    // still be hearing it.
    due += static_cast<std::int64_t>(frame.bytes.size()) * ByteTime(frame.mode);
    replies_.emplace(due, reply->bytes);
  }

  // Shows what a command did to the devices, so a person need not work it
  // out from the frames.
  void NoteChangedDevices() {
    const auto& devices = bus_->devices();
    for (std::size_t i = 0; i < devices.size(); ++i) {
      std::string state = icbus::sim::DeviceState(*devices[i]);
      if (state != held_[i]) {
        // A beep or an order alone is noted below, as what the device heard.
        std::string changes = icbus::sim::StateChanges(held_[i], state);
        if (!changes.empty())
          log_->Note("device " + std::to_string(i + 1) + " changed: " + changes);
        held_[i] = state;
      }
      NoteHeard(*devices[i], i + 1, &heard_[i], log_);
    }
  }

  void FlushCutFrame() {
    if (!pending_cut_ || SteadyClock::now() - last_byte_ < kCutFrameIdle) return;
    pending_cut_ = false;
    if (auto frame = assembler_.Flush()) Deliver(*frame);
  }

  void SendDueReplies() {
    auto now = SteadyClock::now();
    while (!replies_.empty() && replies_.begin()->first <= now) {
      const std::string& bytes = replies_.begin()->second;
      pacer_.Queue(bytes, ByteTime(line_->CurrentMode()), replies_.begin()->first);
      log_->Frame('<', Mode::kNone, bytes);
      replies_.erase(replies_.begin());
    }
    std::string due = pacer_.TakeDue(now);
    if (due.empty()) return;
    last_traffic_ = now;
    if (!line_->Write(due)) log_->Note("could not write a reply to the host");
  }

  SteadyClock::duration ByteTime(Mode mode) const {
    if (!pace_) return SteadyClock::duration::zero();
    return icbus::sim::Pacer::ByteTime(BitsPerByte(mode), kBaud);
  }

  // The earliest of the next reply and the cut-frame check, or now while the
  // line is being watched; none: wait on.
  timespec* NextDeadline(timespec* wait) {
    auto now = SteadyClock::now();
    auto deadline = SteadyClock::time_point::max();
    if (!replies_.empty()) deadline = replies_.begin()->first;
    if (pending_cut_) deadline = std::min(deadline, last_byte_ + kCutFrameIdle);
    if (auto byte = pacer_.NextDue()) deadline = std::min(deadline, *byte);
    if (now - last_traffic_ < kWatchAfterTraffic) deadline = std::min(deadline, now + kWatchTick);
    if (deadline == SteadyClock::time_point::max()) return nullptr;
    auto left = deadline > now ? deadline - now : SteadyClock::duration::zero();
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    wait->tv_sec = static_cast<time_t>(ns / 1000000000);
    wait->tv_nsec = static_cast<long>(ns % 1000000000);
    return wait;
  }

  icbus::sim::PtyLine* line_;
  icbus::sim::Bus* bus_;
  icbus::sim::ControlFifo* control_;  // none without --control
  WireLog* log_;
  bool pace_;
  icbus::sim::Pacer pacer_;
  icbus::sim::FrameAssembler assembler_;
  std::multimap<SteadyClock::time_point, std::string> replies_;
  std::vector<std::string> held_;   // DeviceState of each device, as last noted
  std::vector<std::size_t> heard_;  // beeps or orders of each device noted
  SteadyClock::time_point last_byte_;
  SteadyClock::time_point last_traffic_;  // the last byte from or to the host
  bool pending_cut_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "icbus-sim: %s\n", error.c_str());
    Usage(stderr);
    return 2;
  }
  if (options.help) {
    Usage(stdout);
    return 0;
  }
  if (options.version) {
    std::puts("icbus-sim " ICBUS_VERSION_STRING);
    return 0;
  }
  if (options.print_default) {
    std::fputs(icbus::sim::DefaultInstallation().c_str(), stdout);
    return 0;
  }
  icbus::sim::Bus bus;
  bool built = options.config.empty()
                   ? icbus::sim::BuildInstallation(icbus::sim::DefaultInstallation(), &bus, &error)
                   : icbus::sim::LoadInstallation(options.config, &bus, &error);
  if (!built) {
    std::fprintf(stderr, "icbus-sim: %s\n", error.c_str());
    return 1;
  }
  FILE* log_file = options.log.empty() ? stderr : std::fopen(options.log.c_str(), "w");
  if (!log_file) {
    std::fprintf(stderr, "icbus-sim: cannot write %s: %s\n", options.log.c_str(),
                 std::strerror(errno));
    return 1;
  }

  // Stop signals stay blocked except while waiting, so none is lost between
  // a check of the flag and the wait.
  sigset_t stops, waiting;
  sigemptyset(&stops);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stops, sig);
  LeaveProcessGroupLead();
  ::signal(SIGPIPE, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = OnStop;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
  ::sigprocmask(SIG_BLOCK, &stops, &waiting);

  // Ready before the link is published: a script that waits for the link
  // may write to the control at once.
  std::unique_ptr<icbus::sim::ControlFifo> control;
  if (!options.control.empty()) {
    control = icbus::sim::ControlFifo::Create(options.control, &error);
    if (!control) {
      std::fprintf(stderr, "icbus-sim: %s\n", error.c_str());
      return 1;
    }
  }
  auto line = icbus::sim::PtyLine::Open(&error);
  if (!line) {
    std::fprintf(stderr, "icbus-sim: %s\n", error.c_str());
    return 1;
  }
  if (!options.link.empty() && !PublishLink(options.link, line->slave_path(), &error)) {
    std::fprintf(stderr, "icbus-sim: %s\n", error.c_str());
    return 1;
  }
  WireLog log(log_file, options.stamps);
  log.Note("line " + line->slave_path() + (options.link.empty() ? "" : " as " + options.link));
  for (std::size_t i = 0; i < bus.devices().size(); ++i) {
    log.Note("device " + std::to_string(i + 1) + ": " + icbus::sim::DeviceState(*bus.devices()[i]));
  }
  if (!options.pidfile.empty()) {
    if (FILE* pid = std::fopen(options.pidfile.c_str(), "w")) {
      std::fprintf(pid, "%d\n", static_cast<int>(::getpid()));
      std::fclose(pid);
    }
  }

  // The terminals' clocks run in real time here, from the start, unless a
  // test wants answers that repeat.
  for (const auto& device : bus.devices()) {
    auto* terminal = dynamic_cast<icbus::sim::Terminal*>(device.get());
    if (terminal && !options.fixed_clocks) {
      terminal->RunClock([] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   SteadyClock::now().time_since_epoch())
            .count();
      });
    }
  }
  Simulator simulator(line.get(), &bus, control.get(), &log, options.pace);
  bool ok = simulator.Run(waiting);
  log.Note(ok ? "stopped" : "line failed");
  if (!options.link.empty()) WithdrawLink(options.link, line->slave_path());
  if (!options.pidfile.empty()) ::unlink(options.pidfile.c_str());
  return ok ? 0 : 1;
}
