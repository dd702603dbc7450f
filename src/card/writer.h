// The card writer's three exchanges, each a port transaction of its own:
// read one block, write one block, beep.
#pragma once
#include <string>

namespace icbus::card {

// Card result codes.
constexpr int kOk = 1;
constexpr int kNoReply = 0;        // no "!" arrived (a silent writer too)
constexpr int kTransferFailed = -1;
constexpr int kNoSingleCard = 2;   // "R1"/"W1": anticollision error
constexpr int kKeyRefused = 3;     // "R2"/"W2"
constexpr int kBlockFailed = 4;    // "R3"/"W3"; also a block that is not readable data
constexpr int kOutOfRange = 5;

// Sector 0..99 and an absolute block number (sector x 4 + block) of two
// digits: the writer's commands have room for nothing else.
bool Addressable(int sector, int block);
// The opposite, and records why the block cannot be named.
bool Unnamable(int sector, int block);

// The block text is 32 characters; a shorter reply is right-aligned and
// padded with blanks, as the writer's answer is taken.
int ReadCardBlock(int port, int sector, int block, std::string* text);
// `text` is normally 32 characters; at most 34 fit the command.
int WriteCardBlock(int port, int sector, int block, const std::string& text);
// 1 when the writer answered "DONE".
int WriterBeep(int port, int pattern);

enum class Beep { kSuccess = 0, kFailure = 1 };
// Success: pattern 1. Failure: pattern 1, 50 ms, pattern 6. Other modes: nothing.
void BeepAx(int port, int mode);
// A beep that ends an operation: its own failure is not the operation's.
void Sound(int port, Beep beep);

}  // namespace icbus::card
