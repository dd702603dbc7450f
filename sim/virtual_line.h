// The virtual line: the library's port and clock, connected in-process to
// simulated buses. Time is virtual: a read that would wait advances the
// clock instead of sleeping, so time-outs cost nothing. Every write and every
// reply is kept in a wire log with its ninth-bit mode and time stamp.
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bus.h"
#include "link/clock.h"
#include "link/port.h"

namespace icbus::sim {

enum class PortOp { kOpen, kGetState, kSetState, kSetupQueues, kGetTimeouts, kSetTimeouts,
                    kPurge, kWrite, kRead, kClose };

// What a port call is about to do, for fault injection.
struct PortCall {
  PortOp op;
  int index = 0;                   // how many calls of this op came before, since the line was made
  std::uint8_t parity = kNoParity; // kSetState: the parity being set
  std::string bytes;               // kWrite: the bytes being written
};

struct ReadCall {
  std::uint32_t count = 0;
  Timeouts timeouts;
  std::string bytes;  // what the read delivered
};

class VirtualLine final : public Port, public Clock {
 public:
  VirtualLine();
  ~VirtualLine() override;
  VirtualLine(const VirtualLine&) = delete;
  VirtualLine& operator=(const VirtualLine&) = delete;

  // The bus behind port `number` ("COM<number>"); made on first use.
  Bus& bus(int number = 1);

  // Makes a port call fail when this returns true.
  std::function<bool(const PortCall&)> fail_when;

  const std::vector<WireEntry>& log() const { return log_; }
  // The host's writes as "M SA005!" (mode, space, bytes).
  std::vector<std::string> HostFrames() const;
  const std::vector<ReadCall>& reads() const { return reads_; }
  bool IsOpen() const { return open_port_ != 0; }
  int opens() const { return opens_; }
  int closes() const { return closes_; }
  const std::vector<std::uint32_t>& purges() const { return purges_; }
  void SetLocalTime(const LocalTime& time);
  // Bytes a device sends on its own: they start to arrive `after_ms` from
  // now (or after what is already on its way), one wire time a byte.
  void Arrive(const std::string& bytes, std::uint32_t after_ms);

  // Port
  PortId Open(const char* name) override;
  bool GetState(PortId port, LineSettings* settings) override;
  bool SetState(PortId port, const LineSettings& settings) override;
  bool SetupQueues(PortId port, std::uint32_t in, std::uint32_t out) override;
  bool GetTimeouts(PortId port, Timeouts* timeouts) override;
  bool SetTimeouts(PortId port, const Timeouts& timeouts) override;
  bool Purge(PortId port, std::uint32_t flags) override;
  bool Write(PortId port, const std::uint8_t* data, std::uint32_t count) override;
  bool Read(PortId port, std::uint8_t* data, std::uint32_t count,
            std::uint32_t* received) override;
  bool Close(PortId port) override;

  // Clock
  std::uint64_t NowMicros() override { return now_; }
  void SleepMillis(std::uint32_t ms) override { now_ += std::uint64_t{ms} * 1000; }
  void PumpWait(std::uint32_t ms) override {
    pump_waits_.push_back(ms);
    SleepMillis(ms);
  }
  // The pauses with message dispatch taken so far, in milliseconds.
  const std::vector<std::uint32_t>& pump_waits() const { return pump_waits_; }
  LocalTime Local() override;

 private:
  struct Arrival {
    std::uint64_t micros;
    char byte;
  };
  bool Fails(PortOp op, std::uint8_t parity = kNoParity, std::string bytes = {});
  bool Valid(PortId port) const { return port != kInvalidPort && port == open_port_; }
  Mode CurrentMode() const;

  std::map<int, Bus> buses_;
  std::map<int, FrameAssembler> assemblers_;
  std::map<PortOp, int> call_counts_;
  int open_port_ = 0;
  LineSettings settings_;
  Timeouts timeouts_;
  std::deque<Arrival> input_;
  std::uint64_t now_ = 1'000'000;
  long long local_base_ = 0;  // seconds since the epoch at virtual time zero
  std::vector<WireEntry> log_;
  std::vector<ReadCall> reads_;
  std::vector<std::uint32_t> purges_;
  std::vector<std::uint32_t> pump_waits_;
  int opens_ = 0;
  int closes_ = 0;
};

// Installs a virtual line as the library's port and clock for one scope.
class ScopedVirtualLine {
 public:
  ScopedVirtualLine();
  ~ScopedVirtualLine();
  VirtualLine& operator*() { return line_; }
  VirtualLine* operator->() { return &line_; }
  const VirtualLine& operator*() const { return line_; }
  const VirtualLine* operator->() const { return &line_; }

 private:
  VirtualLine line_;
};

// Wire time of n bytes at 19200 baud with 10 bits a byte, in microseconds.
constexpr std::uint64_t WireMicros(std::size_t bytes) { return bytes * 10'000'000ull / 19200; }

}  // namespace icbus::sim
