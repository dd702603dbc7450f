// The desktop card writer: spoken to at no parity, without addressing. It
// keeps the sector key the host loads into it and reads and writes the
// blocks of the card lying on it.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "device.h"

namespace icbus::sim {

// A sector/block card: 16 sectors of 4 blocks, each block 32 hex characters,
// and the key that opens each sector. A new card holds zeros under keys of
// all F.
struct CardImage {
  static constexpr int kSectors = 16;
  static constexpr int kBlocksPerSector = 4;
  static const char kBlankBlock[];  // 32 zeros
  static const char kBlankKey[];    // "FFFFFFFFFFFF"
  std::array<std::string, kSectors * kBlocksPerSector> blocks;
  std::array<std::string, kSectors> keys;
  CardImage();
  std::string& Block(int sector, int block) { return blocks[Index(sector, block)]; }
  const std::string& Block(int sector, int block) const { return blocks[Index(sector, block)]; }

 private:
  static std::size_t Index(int sector, int block) {
    return static_cast<std::size_t>(sector * kBlocksPerSector + block);
  }
};

// Keys are six bytes written as hexadecimal text: the case of a digit does
// not make another key.
bool SameKey(const std::string& a, const std::string& b);

struct CardWriterConfig {
  std::string key = "FFFFFFFFFFFF";
  std::vector<CardImage> cards;  // the cards the writer knows
  int present = -1;              // the card lying on it (-1: none)
};

class CardWriter : public Device {
 public:
  explicit CardWriter(const CardWriterConfig& config) : state_(config) {}
  // The writer answers every frame at no parity; it is never "selected".
  bool Selected() const override { return false; }
  std::string Describe() const override { return "card writer (key " + state_.key + ")"; }
  const CardWriterConfig& state() const { return state_; }
  CardWriterConfig& state() { return state_; }
  // Puts card `index` on the writer (-1 takes it away).
  void Present(int index) { state_.present = index; }
  CardImage* card();
  const CardImage* card() const;
  // Beep patterns sounded so far.
  const std::vector<int>& beeps() const { return beeps_; }

 protected:
  std::optional<Reply> Answer(const Frame& frame) override;

 private:
  std::optional<Reply> Block(char command, const std::string& args);
  CardWriterConfig state_;
  std::vector<int> beeps_;
};

}  // namespace icbus::sim
