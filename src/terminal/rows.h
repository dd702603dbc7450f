// Building blocks for the terminal command rows: each export describes its
// command with one of the course constructors and hands it to a result kind.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "link/engine.h"
#include "link/refusal.h"

namespace icbus::terminal {

// A command, or the refusal of an argument that cannot make a frame the
// terminals can parse (the call then fails before anything is sent, and the
// result kinds below record why).
using Row = Checked<Command>;
using Frame = Checked<std::string>;

Row Plain(int machine, Frame frame, std::uint32_t reply_length, const char* expect);
Row SixDigit(int machine, int card, Frame frame, std::uint32_t reply_length, const char* expect);
Row Broadcast(Frame frame, const char* expect);
Row InCommand(int machine, Frame frame, std::uint32_t reply_length, const char* expect);
Row CardWriter(Frame frame, const char* expect);

// The row with a frame buffer of `size` bytes instead of the usual 25.
Row WithBuffer(Row row, std::size_t size);

// The row with an address reply read of `length` bytes instead of 4.
Row WithAddressReply(Row row, std::uint32_t length);

// head + text + "!", or the refusal of a text (`what`) that is missing or
// carries a "!" (the terminals would take it for the end of the frame).
// Lengths are left to the frame buffer check.
Frame Framed(const char* head, const char* text, const char* what);
// The refusal of a text `what` that is missing or holds a "!", if it does.
std::optional<Refusal> BadText(const char* text, const char* what);

// Result kinds.
int Boolean(int port, const Row& row);  // 1 passed, 0 otherwise
int YesNo(int port, const Row& row);    // 1 reply "1", 0 other reply, -1 no reply
int Number(int port, const Row& row);   // decimal reply text, -1 otherwise

}  // namespace icbus::terminal
