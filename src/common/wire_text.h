// The wire log's notation, shared by the simulator's log and the library's
// trace so the two can be laid side by side:
//   > M SA005!     host to devices; M address mode, S data mode, N no parity
//   < N OK!        devices to host
//   # a note       anything that is not a frame
// Bytes outside printable ASCII, and the backslash, appear as \xNN.
#pragma once
#include <string>

namespace icbus {

std::string EscapeWireBytes(const std::string& bytes);
// "> M SA005!" (no line end).
std::string WireFrameLine(char direction, char mode, const std::string& bytes);
// `text` as it is where it is printable UTF-8; control characters and
// bytes that are not UTF-8 (GBK text, a cut sequence) as \xNN, so a log of
// notes stays valid UTF-8 and shows every byte.
std::string PrintableUtf8(const std::string& text);
// True when `text` is UTF-8 throughout (the rules of PrintableUtf8).
bool IsUtf8(const std::string& text);
// "# text" (no line end), the text made printable.
std::string WireNoteLine(const std::string& text);

}  // namespace icbus
