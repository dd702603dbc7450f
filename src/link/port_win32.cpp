// The Windows serial backend: the plain Win32 communications calls, all
// synchronous, on the handle CreateFileA returns.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "link/clock.h"
#include "link/port.h"

namespace icbus {
namespace {

static_assert(sizeof(DCB) <= sizeof(LineSettings::native),
              "the device control block must fit the settings' native area");
static_assert(sizeof(HANDLE) <= sizeof(PortId), "a handle must fit a port id");

constexpr DWORD kFallbackBaud = 19200;
// Time a frame may still need after its wire time before anything may cut it
// short (a purge, a parity change, a close): on a UART its shift register and
// the device's turn-around. Under Wine a COM port may be a pseudo-terminal,
// which has no ninth bit: the device behind it reads the parity from the line
// settings when the bytes arrive, so they must be taken before the parity
// changes, and that needs the margin a pseudo-terminal needs natively.
constexpr std::uint64_t kWireMarginMicros = 2000;
constexpr std::uint64_t kPseudoTerminalMarginMicros = 15000;

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::uint64_t MarginMicros() {
  static const std::uint64_t margin =
      RunningUnderWine() ? kPseudoTerminalMarginMicros : kWireMarginMicros;
  return margin;
}

HANDLE Handle(PortId port) { return reinterpret_cast<HANDLE>(port); }

// "COM1".."COM9" are names the system resolves by itself; from COM10 on only
// the device namespace reaches the port.
std::string DeviceName(const char* name) {
  if (std::strncmp(name, "COM", 3) != 0) return name;
  const char* digits = name + 3;
  if (!*digits) return name;
  for (const char* p = digits; *p; ++p) {
    if (*p < '0' || *p > '9') return name;
  }
  if (std::atoi(digits) < 10) return name;
  return std::string("\\\\.\\") + name;
}

// How long `count` bytes occupy the line. The ninth bit is always counted:
// Wine reads the parity of a pseudo-terminal back as none, and waiting one bit
// too long per byte costs nothing.
std::uint64_t WireMicros(HANDLE handle, std::uint32_t count) {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  DWORD baud = kFallbackBaud;
  unsigned bits = 1 + 8 + 1 + 1;
  if (GetCommState(handle, &dcb)) {
    if (dcb.BaudRate > 0) baud = dcb.BaudRate;
    unsigned data_bits = dcb.ByteSize >= 5 && dcb.ByteSize <= 8 ? dcb.ByteSize : 8;
    bits = 1 + data_bits + 1 + (dcb.StopBits == ONESTOPBIT ? 1 : 2);
  }
  return std::uint64_t{count} * bits * 1000000 / baud;
}

// Real time, not the injectable clock: this is the hardware's wait.
void WaitUntil(std::uint64_t deadline) {
  Clock& clock = SystemClock();
  for (std::uint64_t now = clock.NowMicros(); now < deadline; now = clock.NowMicros()) {
    clock.SleepMillis(static_cast<std::uint32_t>((deadline - now + 999) / 1000));
  }
}

// The system's own words for `error`, in UTF-8, without the closing line
// break; the number when the system has no text for it.
std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message;
  if (length > 0 && text) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr,
                                    nullptr);
    if (bytes > 0) {
      message.resize(static_cast<std::size_t>(bytes));
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &message[0], bytes, nullptr,
                          nullptr);
    }
  }
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = "system error " + std::to_string(error);
  return message;
}

class Win32Port final : public Port {
 public:
  PortId Open(const char* name) override {
    if (!name) return kInvalidPort;
    std::string device = DeviceName(name);
    HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      OpenFailure kind = OpenFailure::kCannotOpen;
      // A COM port is opened exclusively: whoever has it makes every other
      // open fail with one of these.
      if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
        kind = OpenedHere(device) ? OpenFailure::kHeldHere : OpenFailure::kHeldElsewhere;
      }
      NoteOpenFailure(kind, SystemMessage(error));
      return kInvalidPort;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    devices_[handle] = device;
    return reinterpret_cast<PortId>(handle);
  }

  std::string DeviceOf(const char* name) override { return name ? DeviceName(name) : ""; }

  bool GetState(PortId port, LineSettings* settings) override {
    if (!settings) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    if (!GetCommState(Handle(port), &dcb)) return false;
    settings->baud_rate = dcb.BaudRate;
    settings->byte_size = dcb.ByteSize;
    settings->parity = dcb.Parity;
    settings->stop_bits = dcb.StopBits;
    settings->binary = dcb.fBinary != 0;
    std::memcpy(settings->native, &dcb, sizeof dcb);
    return true;
  }

  // Starts from the block as it was read, so flow control, the
  // parity-checking flag and every other field go back unchanged.
  bool SetState(PortId port, const LineSettings& settings) override {
    DCB dcb;
    std::memcpy(&dcb, settings.native, sizeof dcb);
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = settings.baud_rate;
    dcb.ByteSize = settings.byte_size;
    dcb.Parity = settings.parity;
    dcb.StopBits = settings.stop_bits;
    dcb.fBinary = settings.binary ? TRUE : FALSE;
    Settle(port);
    std::lock_guard<std::mutex> lock(mutex_);
    if (SetCommState(Handle(port), &dcb)) {
      applied_[Handle(port)] = dcb;
      return true;
    }
    auto applied = applied_.find(Handle(port));
    bool unchanged =
        applied != applied_.end() && std::memcmp(&applied->second, &dcb, sizeof dcb) == 0;
    if (!unchanged) applied_.erase(Handle(port));
    return unchanged;
  }

  bool SetupQueues(PortId port, std::uint32_t in, std::uint32_t out) override {
    return SetupComm(Handle(port), in, out) != 0;
  }

  bool GetTimeouts(PortId port, Timeouts* timeouts) override {
    if (!timeouts) return false;
    COMMTIMEOUTS native{};
    if (!GetCommTimeouts(Handle(port), &native)) return false;
    timeouts->read_interval = native.ReadIntervalTimeout;
    timeouts->read_multiplier = native.ReadTotalTimeoutMultiplier;
    timeouts->read_constant = native.ReadTotalTimeoutConstant;
    timeouts->write_multiplier = native.WriteTotalTimeoutMultiplier;
    timeouts->write_constant = native.WriteTotalTimeoutConstant;
    return true;
  }

  bool SetTimeouts(PortId port, const Timeouts& timeouts) override {
    COMMTIMEOUTS native{};
    native.ReadIntervalTimeout = timeouts.read_interval;
    native.ReadTotalTimeoutMultiplier = timeouts.read_multiplier;
    native.ReadTotalTimeoutConstant = timeouts.read_constant;
    native.WriteTotalTimeoutMultiplier = timeouts.write_multiplier;
    native.WriteTotalTimeoutConstant = timeouts.write_constant;
    return SetCommTimeouts(Handle(port), &native) != 0;
  }

  bool Purge(PortId port, std::uint32_t flags) override {
    Settle(port);
    return PurgeComm(Handle(port), flags) != 0;
  }

  // The driver may report a write done, and even drained, while the frame is
  // still in a FIFO or (under Wine on a pseudo-terminal) not yet taken by the
  // other side; a purge then would abort it. So the call returns only once
  // the frame's time on the line has passed since the write began, and the
  // margin after it is kept lazily: only a parity change, purge or close
  // waits for it, so a read that follows loses no time.
  bool Write(PortId port, const std::uint8_t* data, std::uint32_t count) override {
    if (!data && count > 0) return false;
    HANDLE handle = Handle(port);
    std::uint64_t start = SystemClock().NowMicros();
    DWORD written = 0;
    if (!WriteFile(handle, data, count, &written, nullptr)) return false;
    FlushFileBuffers(handle);
    if (count > 0) {
      std::uint64_t wire_end = start + WireMicros(handle, count);
      WaitUntil(wire_end);
      std::lock_guard<std::mutex> lock(mutex_);
      settled_[handle] = wire_end + MarginMicros();
    }
    return true;
  }

  bool Read(PortId port, std::uint8_t* data, std::uint32_t count,
            std::uint32_t* received) override {
    if (!data && count > 0) return false;
    DWORD got = 0;
    BOOL ok = ReadFile(Handle(port), data, count, &got, nullptr);
    if (received) *received = got;
    return ok != 0;
  }

  bool Close(PortId port) override {
    Settle(port);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      applied_.erase(Handle(port));
      settled_.erase(Handle(port));
      devices_.erase(Handle(port));
    }
    return CloseHandle(Handle(port)) != 0;
  }

 private:
  bool OpenedHere(const std::string& device) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : devices_) {
      if (entry.second == device) return true;
    }
    return false;
  }

  // Waits until the last frame written on `port` has been taken by the
  // other side.
  void Settle(PortId port) {
    std::uint64_t deadline = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = settled_.find(Handle(port));
      if (it == settled_.end()) return;
      deadline = it->second;
      settled_.erase(it);
    }
    WaitUntil(deadline);
  }

  // When each handle's last frame is safely on the other side.
  std::map<HANDLE, std::uint64_t> settled_;
  // The settings last applied to each open handle. Applying the same
  // settings again changes nothing on the line, so a failure to do so is no
  // failure: under Wine on a pseudo-terminal it fails, because the pty never
  // keeps PARENB and the C library, reading the settings back, reports
  // EINVAL when the mark or space parity asked for is the one the line
  // already has. The library asks for data mode again before every "SZ!",
  // and the release would otherwise be lost.
  std::mutex mutex_;
  std::map<HANDLE, DCB> applied_;
  // The device each open handle was opened as.
  std::map<HANDLE, std::string> devices_;
};

}  // namespace

Port& SystemPort() {
  static Win32Port port;
  return port;
}

}  // namespace icbus
