#include "central/pusher.h"

#include "central/batch_push.h"
#include "central/local_outbox.h"
#include "central/migrations.h"
#include "central/pg_session.h"
#include "store/store.h"

namespace icbus::central {

Pusher::Pusher(PusherOptions options) : options_(std::move(options)) {
  status_.site = options_.site;
}

Pusher::~Pusher() { Stop(); }

void Pusher::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
}

void Pusher::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  drained_.notify_all();
  if (thread_.joinable()) thread_.join();
}

CentralStatus Pusher::Status() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return status_;
}

bool Pusher::Drain(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  // The first quiet look after this call may have begun before the last
  // rows were committed; the second began after it.
  const std::uint64_t wanted = passes_ + 2;
  kick_ = true;
  wake_.notify_all();
  drained_.wait_for(lock, limit, [&] { return passes_ >= wanted || stop_; });
  return passes_ >= wanted && status_.backlog == 0;
}

void Pusher::Wait(std::chrono::milliseconds how_long) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, how_long, [&] { return stop_ || kick_; });
  kick_ = false;
}

bool Pusher::Stopping() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stop_;
}

void Pusher::Run() {
  std::chrono::milliseconds backoff = options_.retry_first;
  while (!Stopping()) {
    if (PushAll()) {
      backoff = options_.retry_first;
      Wait(options_.idle);
    } else {
      Wait(backoff);
      backoff = std::min(backoff * 2, options_.retry_max);
    }
  }
  central_.reset();
  outbox_.reset();
}

bool Pusher::PushAll() {
  try {
    if (!outbox_) {
      outbox_ = std::make_unique<LocalOutbox>(options_.store_path,
                                              options_.site + " " + options_.conninfo);
    }
    if (!central_) {
      auto session = std::make_unique<PgSession>(options_.conninfo);
      PrepareSchema(*session);
      central_ = std::move(session);
    }
    for (;;) {
      const OutboxBatch batch = outbox_->Next(options_.batch);
      PushResult pushed;
      if (batch.rows > 0) {
        pushed = PushBatch(*central_, options_.site, batch.parts);
        // A crash here sends the batch again: the central store keeps it once.
        outbox_->Acknowledge(batch);
      }
      const std::int64_t backlog = outbox_->Backlog();
      Succeeded(batch.rows, pushed.inserted, backlog);
      if (batch.rows == 0 || backlog == 0 || Stopping()) return true;
    }
  } catch (const std::exception& e) {
    // The next pass starts again from the acknowledged cursors, with fresh
    // sessions, so nothing half-done outlives the failure.
    central_.reset();
    Lost(e.what());
    return false;
  }
}

void Pusher::Succeeded(long rows, long inserted, std::int64_t backlog) {
  std::chrono::steady_clock::duration outage{};
  bool came_back = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (rows > 0) {
      status_.pushed += rows;
      status_.inserted += inserted;
      ++status_.batches;
      status_.last_push_at = site::UtcNow();
    }
    status_.backlog = backlog;
    status_.connected = true;
    status_.last_error.clear();
    if (down_) {
      down_ = false;
      came_back = true;
      outage = std::chrono::steady_clock::now() - down_since_;
    }
    if (rows == 0 || backlog == 0) {
      ++passes_;
      drained_.notify_all();
    }
  }
  if (came_back) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(outage).count();
    outbox_->AddEvent("central_back", "the central store answers again after " +
                                          std::to_string(seconds) + " s; backlog " +
                                          std::to_string(backlog) + " rows");
  }
}

void Pusher::Lost(const std::string& reason) {
  bool first = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    status_.connected = false;
    status_.last_error = reason;
    ++status_.failures;
    if (!down_) {
      down_ = first = true;
      down_since_ = std::chrono::steady_clock::now();
    }
  }
  if (!outbox_) return;
  try {
    const std::int64_t backlog = outbox_->Backlog();
    if (first) outbox_->AddEvent("central_lost", reason);
    std::lock_guard<std::mutex> lock(mutex_);
    status_.backlog = backlog;
  } catch (const std::exception& local) {
    // The local store itself failed (busy beyond its time-out, gone):
    // open it afresh on the next pass.
    outbox_.reset();
    std::lock_guard<std::mutex> lock(mutex_);
    status_.last_error = reason + "; " + local.what();
  }
}

}  // namespace icbus::central
