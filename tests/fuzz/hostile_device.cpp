#include "hostile_device.h"

namespace icbus::fuzz {

std::optional<sim::Reply> HostileDevice::Answer(const sim::Frame&) {
  fuzz::Answer answer = answers_->Next();
  if (answer.silent || answer.bytes.empty()) return std::nullopt;
  if (answer.split_at == 0) {
    line_->Arrive(answer.bytes, answer.delay_ms);
    return std::nullopt;
  }
  const std::string first = answer.bytes.substr(0, answer.split_at);
  line_->Arrive(first, answer.delay_ms);
  // The second piece starts `gap_ms` after the first has arrived.
  const auto first_ms = static_cast<std::uint32_t>(sim::WireMicros(first.size()) / 1000);
  line_->Arrive(answer.bytes.substr(answer.split_at), answer.delay_ms + first_ms + answer.gap_ms);
  return std::nullopt;
}

std::optional<sim::Reply> RecordingDevice::Answer(const sim::Frame& frame) {
  std::optional<sim::Reply> reply;
  if (frame.mode != sim::Mode::kData || real_->Selected()) reply = real_->Hear(frame);
  answers_->Add(reply ? std::optional<std::string>(reply->bytes) : std::nullopt);
  return reply;
}

}  // namespace icbus::fuzz
