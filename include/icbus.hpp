// icbus.hpp - the C++ interface of icbus: one Bus object per serial bus.
//
// A Bus has a port session of its own, so a program can work several buses
// at once: calls on two Bus objects (two ports) run truly in parallel, each
// on its own thread. The operations are those of the C exports in icbus.h,
// with results as values: std::optional where the C function has a failure
// value, bool for the DONE/failure commands, CardResult for the card writer.
// It needs nothing but the standard library and icbus.h.
//
// Threads. A Bus is thread-safe. Calls on one Bus are serialised: each runs
// its whole transaction (open, select, command, reply, "SZ!", close) while
// holding the bus, and threads that call at the same time are served in the
// order they called, so no caller waits longer than the transactions queued
// before it. Calls on different Bus objects never wait for each other.
// The C exports keep to their own default session and do not wait for any
// Bus either.
//
// Blocking. Every call except the setters blocks the calling thread until
// its transaction is over. A reply read of n bytes waits at most
// 200 ms x n + 200 ms, and once bytes arrive a gap of 200 ms ends it. So on
// a silent line, at most (plus the wire time of the frames sent):
//   - terminal commands (clock, lists, identity, counts, totals):
//     1 s for the address reply, then 200 ms x reply length + 200 ms for the
//     command's reply; the longest, a count or a clock, about 4.2 s;
//   - broadcast commands (SetMachNo, SetMasterCard, LogOnPass, SetPass):
//     1.2 s;
//   - a record download: 0.8 s to open, then per record the 50 ms pause of
//     the record kinds that need it plus up to 7.8 s;
//   - card writer operations (a block read of up to 6.8 s, a write of up to
//     1.2 s, one or two beeps of up to 1.2 s each): at most about 10.5 s;
//   - TopUp: about 2.3 s.
// A terminal that answers at once makes a call return in the wire time plus,
// in the compatible mode, the 200 ms the read waits for the bytes a short
// reply never brings (up to twice per transaction). Add the time spent
// waiting for the transactions queued before the call on the same Bus.
//
// Fast replies (off unless asked for): a reply read ends as soon as its "!"
// has arrived; anything after it is discarded before the next frame, as in
// the compatible mode. Results and frames on the wire stay the same; only
// the waiting for bytes that never come goes. Where a course needs its
// time-out, it keeps it: the broadcast commands still wait out their read
// (several terminals may answer and their replies collide, which must not
// pass for one terminal's "DONE!"); the 50 ms pause before some record reads
// stays (the terminal needs it to fetch the record); the swipe poll keeps its
// own short read. A silent or half-answered line costs exactly what it costs
// in the compatible mode.
#ifndef ICBUS_HPP
#define ICBUS_HPP

#include <algorithm>
#include <chrono>
#include <climits>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "icbus.h"

namespace icbus {

// The card writer's result codes (see icbus.h).
enum class CardResult : int {
  kNoReply = 0,  // the writer answered nothing complete
  kOk = 1,
  kTransferFailed = -1,  // port or exchange failed; a value its commands cannot carry
  kNoSingleCard = 2,     // anticollision error
  kKeyMismatch = 3,      // the sector key does not match the card
  kBlockFailed = 4,      // the block could not be read or written, or holds no card data
  kOutOfRange = 5,       // a value out of range: nothing written, no beep
};

// What a read-back of the last card write found (Bus::CheckCardWrite).
enum class CardWrite {
  kApplied,         // the card holds what was written
  kNotApplied,      // the card holds what it held before: safe to retry
  kUnknown,         // not readable, or another card: read it before retrying
  kNothingToCheck,  // the last operation wrote nothing (failed before it)
};

// Why a call failed: a code of icbus.h's icbus_error and the library's
// sentence in UTF-8, naming the device ("cannot open /dev/ttyS1 (port 2): No
// such file or directory"). False when the call succeeded.
struct Error {
  int code = ICBUS_ERR_NONE;
  std::string message;
  explicit operator bool() const { return code != ICBUS_ERR_NONE; }
};

// Which record function a download calls; the terminal's kind decides.
enum class RecordKind {
  kConsumption,       // GetNext: window terminal
  kAttendance,        // GetNextK
  kRecordR,           // GetNextR
  kBackup,            // GetNextBak: the backup store
  kDesktopTopUp,      // GetNextAt
  kWater,             // GetNextW: water controller
  kSelfServiceTopUp,  // GetNextA
};

// The two card lists of a terminal (icbus.h: SetOpenCard and SetOpenCardEx).
enum class CardList { kFirst, kSecond };

class Bus;

// An open record download. It holds the bus's port from Bus::Records until
// the terminal says it has no more records, an exchange fails, or the object
// goes; a download abandoned early still releases the terminal with "SZ!".
// While it is open, other calls on the same Bus cannot open the port and
// fail. Use it on one thread at a time; its Bus must outlive it.
class Download {
 public:
  Download(Download&& other) noexcept
      : bus_(std::exchange(other.bus_, nullptr)),
        kind_(other.kind_),
        machine_(other.machine_),
        state_(other.state_) {}
  Download(const Download&) = delete;
  Download& operator=(const Download&) = delete;
  Download& operator=(Download&&) = delete;
  inline ~Download();

  // True while records may follow.
  bool Open() const { return state_ == State::kOpen; }
  // True once the terminal said it has no more records.
  bool Complete() const { return state_ == State::kComplete; }
  // The next record line (prefix, record, machine number; icbus.h lists the
  // forms), or nothing when the download has ended: Complete() tells whether
  // it ended well.
  inline std::optional<std::string> Next();

 private:
  friend class Bus;
  enum class State { kOpen, kComplete, kFailed };
  Download(Bus* bus, RecordKind kind, int machine, bool opened)
      : bus_(bus), kind_(kind), machine_(machine), state_(opened ? State::kOpen : State::kFailed) {}
  Bus* bus_;
  RecordKind kind_;
  int machine_;
  State state_;
};

class Bus {
 public:
  // The bus on serial port `port` (COM<port>; on Linux the device named by
  // ICBUS_COM<port>, else /dev/ttyS<port-1>).
  explicit Bus(int port) : session_(icbus_session_new()), port_(session_ ? port : 0) {}
  // The bus on a device: a path such as "/dev/ttyUSB0" on Linux, a device
  // name such as "COM12" or "\\.\COM12" on Windows.
  explicit Bus(const std::string& device) : session_(icbus_session_new()), port_(1) {
    if (!icbus_session_set_device(session_, device.c_str())) port_ = 0;
  }
  // A Bus may be moved while no download of it is open; the moved-from one
  // fails every call before anything is sent.
  Bus(Bus&& other) noexcept
      : session_(std::exchange(other.session_, nullptr)),
        port_(std::exchange(other.port_, 0)),
        trace_(std::move(other.trace_)) {}
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;
  Bus& operator=(Bus&&) = delete;
  // Ends a download still open on this bus ("SZ!") and closes its port.
  ~Bus() { icbus_session_free(session_); }

  // Why the calling thread's last call failed, on this Bus or through the C
  // exports: every call records its reason on the thread that made it, and
  // a call that succeeds leaves none.
  static Error LastError() { return Error{icbus_last_error(), icbus_last_error_message()}; }

  // Hands the wire trace of this bus's calls to `sink`, one line at a time
  // in the simulator's wire-log notation (icbus.h: the wire trace), on the
  // thread that makes the call; an empty function ends it. The sink must not
  // call this Bus.
  void SetTrace(std::function<void(const std::string& line)> sink) {
    if (!session_) return;
    if (!sink) {
      icbus_session_set_trace(session_, nullptr, nullptr);
      trace_.reset();
      return;
    }
    auto kept = std::make_unique<std::function<void(const std::string&)>>(std::move(sink));
    icbus_session_set_trace(session_, &Bus::TraceLine, kept.get());
    trace_ = std::move(kept);
  }

  // Off by default; see the top of this file.
  void SetFastReplies(bool on) { icbus_session_set_fast_replies(session_, on ? 1 : 0); }
  // A terminal that answers after its call has timed out can have its late
  // reply taken for the answer to this bus's next call (icbus.h: late
  // replies). With a settle time, after a call whose reply never came whole,
  // the bus first waits until the line has been quiet that long, dropping what
  // comes, before its next frame. Choose it longer than the latest answer of
  // the bus's slowest terminal; zero (the default) turns it off. False, and
  // nothing changed, for a time outside 0 to 60 s.
  bool SetSettleAfterTimeout(std::chrono::milliseconds settle) {
    // Beyond an int, still out of range: the library names the time refused.
    auto ms = std::clamp<std::chrono::milliseconds::rep>(settle.count(), INT_MIN, INT_MAX);
    return icbus_session_set_settle(session_, static_cast<int>(ms)) == 1;
  }
  // Amounts in hundredths of a yuan (2) or tenths (1, the default): SetDecLen
  // for this bus alone.
  void SetDecimals(int places) {
    if (!session_) return;
    Held held(this);
    ::SetDecLen(places == 2 ? "2" : "");
  }

  // ---- Clock and clearing
  std::optional<std::string> GetTime(int machine) {
    return Text(16, [&](char* out) { return ::GetTime(port_, machine, out); });
  }
  std::optional<std::string> GetTime(int machine, int card) {
    return Text(16, [&](char* out) { return ::GetTimeA(port_, machine, out, card); });
  }
  bool SetTime(int machine) {
    return Done([&] { return ::SetTime(port_, machine); });
  }
  bool SetTime(int machine, int card) {
    return Done([&] { return ::SetTimeA(port_, machine, card); });
  }
  bool Clear(int machine) {
    return Done([&] { return ::Clear(port_, machine); });
  }
  bool Clear(int machine, int card) {
    return Done([&] { return ::ClearA(port_, machine, card); });
  }

  // ---- Card lists
  bool AddCard(int machine, const std::string& card, CardList list = CardList::kFirst) {
    auto add = list == CardList::kFirst ? ::SetOpenCard : ::SetOpenCardEx;
    return Done([&] { return add(port_, machine, card.c_str()); });
  }
  bool RemoveCard(int machine, const std::string& card, CardList list = CardList::kFirst) {
    auto remove = list == CardList::kFirst ? ::DelOpenCard : ::DelOpenCardEx;
    return Done([&] { return remove(port_, machine, card.c_str()); });
  }
  bool ClearCards(int machine, CardList list = CardList::kFirst) {
    auto clear = list == CardList::kFirst ? ::ClearOpenCard : ::ClearOpenCardEx;
    return Done([&] { return clear(port_, machine); });
  }
  // True when the card is listed; nothing when the exchange failed.
  std::optional<bool> QueryCard(int machine, const std::string& card) {
    auto answer = Value([&] { return ::QueryCard(port_, machine, card.c_str()); });
    return answer ? std::optional<bool>(*answer == 1) : std::nullopt;
  }

  // ---- Identity, passwords and state (the first four are broadcasts)
  bool SetMachNo(const std::string& number) {
    return Done([&] { return ::SetMachNo(port_, number.c_str()); });
  }
  bool SetMasterCard(const std::string& card) {
    return Done([&] { return ::SetMasterCard(port_, card.c_str()); });
  }
  bool LogOnPass(const std::string& old_password) {
    return Done([&] { return ::Log_onPass(port_, old_password.c_str()); });
  }
  bool SetPass(const std::string& password) {
    return Done([&] { return ::SetPass(port_, password.c_str()); });
  }
  bool SetMasterCard(int machine, const std::string& card, int current_card) {
    return Done([&] { return ::SetMasterCardA(port_, machine, card.c_str(), current_card); });
  }
  bool SetMachRead(int machine) {
    return Done([&] { return ::SetMachRead(port_, machine); });
  }
  std::optional<int> GetMachStyle(int machine) {
    return Value([&] { return ::GetMachStyle(port_, machine); });
  }
  bool SetMachStyle(int machine, int style) {
    return Done([&] { return ::SetMachStyle(port_, machine, style); });
  }
  // True in service, false out of service; nothing when the exchange failed.
  std::optional<bool> InService(int machine) {
    auto state = Value([&] { return ::GetState(port_, machine); });
    return state ? std::optional<bool>(*state == 1) : std::nullopt;
  }
  bool SetPause(int machine, bool pause) {
    return Done([&] { return ::SetPause(port_, machine, pause ? 1 : 0); });
  }

  // ---- Record counts and totals
  std::optional<int> RecordCount(int machine) {
    return Value([&] { return ::GetRecordCount(port_, machine); });
  }
  std::optional<int> RecordCountOfKind(int machine, int kind) {
    return Value([&] { return ::GetRecordCountR(port_, machine, kind); });
  }
  // Self-service (GetRecordCountA) and desktop (GetRecordCountAt) top-up machines.
  std::optional<int> SelfServiceTopUpCount(int machine, int card) {
    return Value([&] { return ::GetRecordCountA(port_, machine, card); });
  }
  std::optional<int> DesktopTopUpCount(int machine, int card) {
    return Value([&] { return ::GetRecordCountAt(port_, machine, card); });
  }
  std::optional<double> Total(int machine) {
    Held held(this);
    double total = ::GetTotal(port_, machine);
    return total < 0 ? std::nullopt : std::optional<double>(total);
  }

  // ---- Real-time swipes (Real_time)
  // Polls each terminal of `machines` once for its latest swipe, holding the
  // port once for all of them: the swipes that came, by machine ("000000",
  // no swipe, is left out). Nothing when the port could not be opened or set
  // to address mode.
  std::optional<std::vector<std::pair<int, std::string>>> PollSwipes(
      const std::vector<int>& machines) {
    Held held(this);
    std::string digits = std::to_string(port_);
    if (!::icDevInit(digits.c_str())) return std::nullopt;
    std::optional<std::vector<std::pair<int, std::string>>> swipes;
    if (::ChangeicDevSettings(0)) {
      swipes.emplace();
      for (int machine : machines) {
        char reply[32] = {};
        if (::Real_time(machine, reply) && reply[0] != '\0' && std::string(reply) != "000000") {
          swipes->emplace_back(machine, reply);
        }
      }
    }
    ::icDevClose();
    return swipes;
  }

  // ---- Record download (GetFirst, or GetFirstA with a management card)
  Download Records(int machine, RecordKind kind, std::optional<int> card = std::nullopt) {
    Held held(this);
    int opened = card ? ::GetFirstA(port_, machine, *card) : ::GetFirst(port_, machine);
    return Download(this, kind, machine, opened == 1);
  }

  // ---- Card writer
  // One beep for success, two 50 ms apart for failure; the writer's answer
  // is not reported.
  void Beep(bool success) {
    Held held(this);
    ::BeepAX(port_, success ? 0 : 1);
  }
  bool LoadKey(const std::string& key) {
    return Done([&] { return ::SetPassA(port_, key.c_str()); });
  }
  std::optional<std::string> ReadCardNumber(int sector, int block) {
    return Text(16, [&](char* out) { return ::ReadCard(port_, sector, block, out); });
  }
  CardResult WriteCardNumber(int sector, int block, const std::string& number) {
    return Card([&] { return ::WriteCard(port_, sector, block, number.c_str()); });
  }
  CardResult IssueCard(int sector, int block, const std::string& number,
                       const std::string& password, double daily_limit) {
    return Card([&] {
      return ::WriteCardEx(port_, sector, block, number.c_str(), password.c_str(), daily_limit);
    });
  }
  CardResult WriteAccountNo(int sector, int block, const std::string& account) {
    return Card([&] { return ::WriteCardAccountNo(port_, sector, block, account.c_str()); });
  }
  CardResult WriteCardPassword(int sector, int block, const std::string& password) {
    return Card([&] { return ::WriteCardPass(port_, sector, block, password.c_str()); });
  }
  std::optional<std::string> ReadCardPassword(int sector, int block) {
    return Text(16, [&](char* out) { return ::ReadCardPass(port_, sector, block, out); });
  }
  // `mode`: the unit of a two-byte balance, 0 tenths, 1 hundredths.
  std::optional<double> ReadBalance(int sector, int block, int mode) {
    return Amount([&] { return ::ReadBalance(port_, sector, block, mode); });
  }
  CardResult TopUp(int sector, int block, double amount, int mode, bool refund = false) {
    return Card([&] { return ::Increase(port_, refund ? 1 : 0, sector, block, amount, mode); });
  }
  CardResult Debit(int sector, int block, double amount, int mode) {
    return Card([&] { return ::Decrease(port_, 0, sector, block, amount, mode); });
  }
  CardResult CancelPurse(int sector, int block, int mode) {
    return Card([&] { return ::Decrease(port_, 1, sector, block, 0.0, mode); });
  }
  std::optional<double> ReadDailyLimit(int sector, int block) {
    return Amount([&] { return ::ReadCardMaxConsume(port_, sector, block); });
  }
  CardResult WriteDailyLimit(int sector, int block, double limit) {
    return Card([&] { return ::WriteCardMaxConsume(port_, sector, block, limit); });
  }
  std::optional<int> ReadTopUpCount(int sector, int block) {
    return Value([&] { return ::ReadCardAddCount(port_, sector, block); });
  }
  CardResult WriteTopUpCount(int sector, int block, int count) {
    return Card([&] { return ::WriteCardAddCount(port_, sector, block, count); });
  }
  std::optional<int> ReadMealLimit(int sector, int block) {
    return Value([&] { return ::ReadCardMaxCC(port_, sector, block); });
  }
  CardResult WriteMealLimit(int sector, int block, int limit) {
    return Card([&] { return ::WriteCardMaxCC(port_, sector, block, limit); });
  }
  // Opt-in, after a purse or limit write (TopUp, Debit, CancelPurse,
  // WriteDailyLimit, WriteTopUpCount, WriteMealLimit, WriteCardNumber,
  // IssueCard, WriteCardPassword) failed: the writer may have changed the
  // card and lost its answer, and a retry would apply the change twice. Reads
  // the block of this bus's last such write back (icbus.h:
  // icbus_check_card_write) and says whether the write took; LastError()
  // then says why it failed or why the read-back did.
  CardWrite CheckCardWrite() {
    if (!session_) return CardWrite::kNothingToCheck;
    Held held(this);
    switch (icbus_check_card_write()) {
      case 1:
        return CardWrite::kApplied;
      case 0:
        return CardWrite::kNotApplied;
      case -1:
        return CardWrite::kUnknown;
      default:
        return CardWrite::kNothingToCheck;
    }
  }

  // ---- Self-service top-up machine (TransmitATM)
  bool SendTopUp(int machine, int card_mgmt, int card, int mode, double amount,
                 const std::string& name) {
    return Done(
        [&] { return ::TransmitATM(port_, machine, card, mode, amount, name.c_str(), card_mgmt); });
  }

 private:
  friend class Download;

  // Holds the bus for one call: its lock, and its session for the exports.
  class Held {
   public:
    explicit Held(Bus* bus) : session_(bus->session_) { icbus_session_enter(session_); }
    ~Held() { icbus_session_leave(session_); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;

   private:
    icbus_session* session_;
  };

  template <typename Call>
  bool Done(Call call) {
    Held held(this);
    return call() == 1;
  }
  template <typename Call>
  std::optional<int> Value(Call call) {
    Held held(this);
    int value = call();
    return value < 0 ? std::nullopt : std::optional<int>(value);
  }
  template <typename Call>
  std::optional<double> Amount(Call call) {
    Held held(this);
    double value = call();
    return value < 0 ? std::nullopt : std::optional<double>(value);
  }
  template <typename Call>
  CardResult Card(Call call) {
    Held held(this);
    return static_cast<CardResult>(call());
  }
  // A call that fills a text buffer of `size` bytes and returns 1 on success.
  template <typename Call>
  std::optional<std::string> Text(std::size_t size, Call call) {
    std::string buffer(size, '\0');
    Held held(this);
    if (call(&buffer[0]) != 1) return std::nullopt;
    buffer.resize(buffer.find('\0'));
    return buffer;
  }

  std::optional<std::string> NextRecord(RecordKind kind, int machine, bool* complete) {
    using Next = int(ICBUS_CALL*)(int, char*);
    Next next = ::GetNext;
    switch (kind) {
      case RecordKind::kConsumption:
        next = ::GetNext;
        break;
      case RecordKind::kAttendance:
        next = ::GetNextK;
        break;
      case RecordKind::kRecordR:
        next = ::GetNextR;
        break;
      case RecordKind::kBackup:
        next = ::GetNextBak;
        break;
      case RecordKind::kDesktopTopUp:
        next = ::GetNextAt;
        break;
      case RecordKind::kWater:
        next = ::GetNextW;
        break;
      case RecordKind::kSelfServiceTopUp:
        next = ::GetNextA;
        break;
    }
    *complete = false;
    auto line = Text(64, [&](char* out) { return next(machine, out); });
    if (line && (line->empty() || *line == "OVER")) {
      *complete = true;
      return std::nullopt;
    }
    return line;
  }
  void EndDownload() {
    Held held(this);
    icbus_end_download();
  }

  static void ICBUS_CALL TraceLine(const char* line, void* sink) {
    (*static_cast<std::function<void(const std::string&)>*>(sink))(line);
  }

  icbus_session* session_;
  int port_;
  std::unique_ptr<std::function<void(const std::string&)>> trace_;
};

inline std::optional<std::string> Download::Next() {
  if (state_ != State::kOpen) return std::nullopt;
  bool complete = false;
  auto line = bus_->NextRecord(kind_, machine_, &complete);
  if (!line) state_ = complete ? State::kComplete : State::kFailed;
  return line;
}

inline Download::~Download() {
  if (bus_ && state_ == State::kOpen) bus_->EndDownload();
}

}  // namespace icbus

#endif  // ICBUS_HPP
