#include "card_writer.h"

#include <cctype>
#include <cstdlib>

namespace icbus::sim {
namespace {

bool Digits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

bool Hex(const std::string& text) {
  for (char c : text)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

Reply Say(const std::string& word) { return Reply{word + "!", 0}; }

}  // namespace

const char CardImage::kBlankBlock[] = "00000000000000000000000000000000";
const char CardImage::kBlankKey[] = "FFFFFFFFFFFF";

CardImage::CardImage() {
  blocks.fill(kBlankBlock);
  keys.fill(kBlankKey);
}

bool SameKey(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

const CardImage* CardWriter::card() const {
  if (state_.present < 0 || state_.present >= static_cast<int>(state_.cards.size())) {
    return nullptr;
  }
  return &state_.cards[static_cast<std::size_t>(state_.present)];
}

CardImage* CardWriter::card() {
  return const_cast<CardImage*>(static_cast<const CardWriter*>(this)->card());
}

std::optional<Reply> CardWriter::Answer(const Frame& frame) {
  const std::string& bytes = frame.bytes;
  if (frame.mode != Mode::kNone || bytes.size() < 3 || bytes[0] != 'S' || bytes.back() != '!') {
    return std::nullopt;
  }
  const char command = bytes[1];
  const std::string args = bytes.substr(2, bytes.size() - 3);
  if (command == 'G') {
    if (args.size() != 12 || !Hex(args)) return Say("ERR");
    state_.key = args;
    return Say("DONE");
  }
  if (command == 'Z' && args.size() == 3 && Digits(args)) {
    beeps_.push_back(std::atoi(args.c_str()));
    return Say("DONE");
  }
  if (command == 'R' || command == 'W') return Block(command, args);
  return std::nullopt;
}

// "SR" sector block "!" and "SW" sector block text "!": the block is the
// absolute number, which must lie in the sector. A write changes only the
// characters it carries.
std::optional<Reply> CardWriter::Block(char command, const std::string& args) {
  const std::string error(1, command);
  if (args.size() < 4 || !Digits(args.substr(0, 4))) return Say(error + "3");
  int sector = std::atoi(args.substr(0, 2).c_str());
  int absolute = std::atoi(args.substr(2, 2).c_str());
  CardImage* image = card();
  if (!image) return Say(error + "1");
  if (sector >= CardImage::kSectors || absolute / 4 != sector) return Say(error + "3");
  if (!SameKey(image->keys[static_cast<std::size_t>(sector)], state_.key)) {
    return Say(error + "2");
  }
  std::string& block = image->blocks[static_cast<std::size_t>(absolute)];
  if (command == 'R') return Reply{block + "!", 0};
  std::string text = args.substr(4);
  if (text.size() > block.size() || !Hex(text)) return Say("W3");
  block.replace(0, text.size(), text);
  return Say("DONE");
}

}  // namespace icbus::sim
