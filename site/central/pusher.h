// The outbox's worker: a thread of its own with its own connections to the
// local store and to PostgreSQL, so the bus workers never wait for the
// central store, whether it is down, slow or refusing. It pushes the
// backlog in order, a batch per transaction, acknowledges each batch in the
// local store after the central commit, and retries with back-off.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "central/central_status.h"

namespace icbus::central {

class LocalOutbox;
class PgSession;

struct PusherOptions {
  std::string store_path;                      // the site's SQLite store
  std::string conninfo;                        // libpq connection string, without a password
  std::string site;                            // the site's name in the central tables
  int batch = 500;                             // rows of each table per transaction
  std::chrono::milliseconds idle{500};         // between looks at an empty backlog
  std::chrono::milliseconds retry_first{500};  // back-off after a failure, doubling
  std::chrono::milliseconds retry_max{15000};
};

class Pusher {
 public:
  explicit Pusher(PusherOptions options);
  ~Pusher();  // stops
  Pusher(const Pusher&) = delete;
  Pusher& operator=(const Pusher&) = delete;

  void Start();
  // Ends the thread after the batch in flight (at most a connection time-out).
  void Stop();
  CentralStatus Status() const;
  // Pushes now and waits until a look at the store found nothing left, or
  // `limit` passed; true when the backlog was 0.
  bool Drain(std::chrono::milliseconds limit);

 private:
  void Run();
  // One pass: connect when needed, push until the backlog is empty. Returns
  // false after a failure.
  bool PushAll();
  void Wait(std::chrono::milliseconds how_long);
  bool Stopping() const;
  // The bookkeeping after a look at the store and after a failure; each
  // records the outage's event when it starts or ends.
  void Succeeded(long rows, long inserted, std::int64_t backlog);
  void Lost(const std::string& reason);

  const PusherOptions options_;
  mutable std::mutex mutex_;
  std::condition_variable wake_, drained_;
  bool stop_ = false, kick_ = false;
  std::uint64_t passes_ = 0;  // completed passes that found the backlog empty
  CentralStatus status_;
  bool down_ = false;  // an outage event was recorded and not yet ended
  std::chrono::steady_clock::time_point down_since_;
  // Touched by the pusher's thread only.
  std::unique_ptr<LocalOutbox> outbox_;
  std::unique_ptr<PgSession> central_;
  std::thread thread_;
};

}  // namespace icbus::central
