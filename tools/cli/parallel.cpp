#include "cli/parallel.h"

#include <thread>

namespace icbus::tool {

void ForEachPort(const BusApi& bus, const OptionValues& options, const std::vector<int>& ports,
                 const std::function<void(int port)>& work) {
  if (ports.size() == 1) {
    work(ports.front());
    return;
  }
  std::vector<std::thread> workers;
  for (int port : ports) {
    workers.emplace_back([&bus, &options, &work, port] {
      icbus_session* session = bus.session_new();
      if (session) {
        bus.session_set_fast_replies(session, options.Has("fast") ? 1 : 0);
        bus.session_enter(session);
        if (options.Has("decimals")) bus.set_dec_len(options.Text("decimals").c_str());
      }
      // Without a session of its own (no memory) the port is worked on the
      // process's session, whose port a download of another may hold.
      work(port);
      if (session) {
        bus.session_leave(session);
        bus.session_free(session);
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
}

BusBoard::BusBoard(std::ostream& err, const std::vector<int>& ports, bool drawing)
    : err_(err), ports_(ports), lines_(ports.size()), drawing_(drawing) {}

void BusBoard::Show(int port, const std::string& status) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (std::size_t i = 0; i < ports_.size(); ++i) {
    if (ports_[i] == port) lines_[i] = "port " + std::to_string(port) + ": " + status;
  }
  if (drawing_) Redraw();
}

void BusBoard::Finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (drawing_ && drawn_) err_ << std::flush;
}

// Back to the board's first line, then every line cleared and written anew.
void BusBoard::Redraw() {
  if (drawn_ && lines_.size() > 0) err_ << "\x1b[" << lines_.size() << "A";
  for (const std::string& line : lines_) err_ << "\r\x1b[K" << line << "\n";
  err_ << std::flush;
  drawn_ = true;
}

}  // namespace icbus::tool
