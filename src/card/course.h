// The read-modify-write course of the card operations: read the block, work
// the new text out of it, write it back, beep by the write's result.
#pragma once
#include <functional>
#include <string>

#include "card/writer.h"
#include "link/refusal.h"

namespace icbus::card {

// What an operation makes of the block it read: the text to write, or a
// code to return without writing (kBlockFailed sounds the failure beep: the
// block held something that is not card data; kOutOfRange sounds nothing).
struct Edit {
  int code = kOk;
  std::string text;
  static Edit Write(std::string text) { return Edit{kOk, std::move(text)}; }
  static Edit Stop(int code) { return Edit{code, {}}; }
};

// Every read-modify-write records on the current session the write it sent
// (link/session.h: CardWriteRecord), so a lost answer can be read back.
// `on_read_failure` is the beep the operation sounds when the block cannot
// be read (the operations differ in it).
int ReadModifyWrite(int port, int sector, int block, Beep on_read_failure,
                    const std::function<Edit(const std::string& block)>& edit);

// Leaves the current session with no card write to read back.
void ForgetCardWrite();

// Writes `text` and beeps by the result.
int WriteAndBeep(int port, int sector, int block, const std::string& text);

// Reads the block; on failure sounds the failure beep. The text is given
// only for a successful read.
int ReadOrBeep(int port, int sector, int block, std::string* text);

// A value its card field cannot hold, refused before anything is sent:
// records why (ICBUS_ERR_CARD_VALUE) and gives kOutOfRange.
int RefuseValue(const Refusal& refusal);

}  // namespace icbus::card
