// The port session: the one process-wide port handle, its line settings for
// address and data mode, and the byte primitives with their fixed time-outs.
#pragma once
#include <cstdint>
#include <string>

namespace icbus {

// Link operations behind the exports of the same name.
bool DevInit(const char* digits);   // icDevInit
int DevClose();                     // icDevClose
bool ChangeDevSettings(int mode);   // ChangeicDevSettings: 0 address, 1 data
bool SetDecimalLength(const char* text);  // SetDecLen

// True when the decimal setting is exactly "2" (amounts in hundredths).
bool TwoDecimals();

// True while the library holds an open port (a transaction, a download
// session or the monitor). A second DevInit then fails and leaves it alone.
bool PortHeld();

// The port number as the digits DevInit takes; empty for numbers below 1.
std::string PortDigits(int port);

// Byte primitives on the held port.
constexpr std::uint32_t kPurgeFlags = 11;  // TXABORT | RXABORT | RXCLEAR
constexpr std::uint32_t kQueueSize = 1024;
constexpr std::uint32_t kBaudRate = 19200;

void PurgePort();
void PurgePortWith(std::uint32_t flags);
bool WritePort(const std::uint8_t* data, std::uint32_t count);
bool ReadPort(std::uint8_t* data, std::uint32_t count);      // 200/200/200 ms
bool ReadPortFast(std::uint8_t* data, std::uint32_t count);  // 5/3/0 ms

}  // namespace icbus
