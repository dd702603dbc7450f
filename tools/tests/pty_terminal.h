// A scripted terminal behind a pseudo-terminal, so the tool can be run
// against the real library: it answers each frame with the reply of the first
// script entry whose prefix the frame starts with, and remembers every frame
// it heard. An entry whose prefix comes again later in the script answers
// once and makes way for the next, so a sequence of replies (records, then
// "OVER!") is a run of entries with one prefix; the last one answers forever.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace icbus::tool {

class PtyTerminal {
 public:
  using Script = std::vector<std::pair<std::string, std::string>>;  // frame prefix, reply

  explicit PtyTerminal(Script script);
  ~PtyTerminal();
  PtyTerminal(const PtyTerminal&) = delete;
  PtyTerminal& operator=(const PtyTerminal&) = delete;

  bool ok() const { return master_ >= 0; }
  const std::string& path() const { return path_; }

  // The frames heard so far, once `last` is among them or `timeout` passed.
  std::vector<std::string> FramesUntil(const std::string& last, std::chrono::milliseconds timeout);

 private:
  void Serve();
  void Hear(const std::string& frame);

  Script script_;
  int master_ = -1;
  int slave_ = -1;  // held open so the master never sees a hang-up between calls
  std::string path_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable heard_;
  std::vector<std::string> frames_;
  std::thread thread_;
};

}  // namespace icbus::tool
