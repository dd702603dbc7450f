// Building blocks for the terminal command rows: each export describes its
// command with one of the course constructors and hands it to a result kind.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "link/engine.h"

namespace icbus::terminal {

// A command, or nothing when the caller's arguments cannot make a frame the
// terminals can parse (the call then fails before anything is sent).
using Row = std::optional<Command>;

Row Plain(int machine, std::optional<std::string> frame, std::uint32_t reply_length,
          const char* expect);
Row SixDigit(int machine, int card, std::optional<std::string> frame,
             std::uint32_t reply_length, const char* expect);
Row Broadcast(std::optional<std::string> frame, const char* expect);
Row InCommand(int machine, std::optional<std::string> frame, std::uint32_t reply_length,
              const char* expect);
Row CardWriter(std::optional<std::string> frame, const char* expect);

// The row with a frame buffer of `size` bytes instead of the usual 25.
Row WithBuffer(Row row, std::size_t size);

// The row with an address reply read of `length` bytes instead of 4.
Row WithAddressReply(Row row, std::uint32_t length);

// head + text + "!", or nothing when the text is missing or carries a "!"
// (the terminals would take it for the end of the frame). Lengths are left
// to the frame buffer check.
std::optional<std::string> Framed(const char* head, const char* text);

// Result kinds.
int Boolean(int port, const Row& row);  // 1 passed, 0 otherwise
int YesNo(int port, const Row& row);    // 1 reply "1", 0 other reply, -1 no reply
int Number(int port, const Row& row);   // decimal reply text, -1 otherwise

}  // namespace icbus::terminal
