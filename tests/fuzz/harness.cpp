#include "harness.h"

#include <cstdio>
#include <cstdlib>

#include "hostile_device.h"
#include "common/wire_text.h"
#include "icbus.h"
#include "link/trace.h"
#include "link/session.h"
#include "topup/glyphs.h"

namespace icbus::fuzz {
namespace {

// At most this many calls an input: enough for any sequence worth finding,
// few enough to keep the executions fast.
constexpr int kMaxCalls = 64;

// Draws a cell from the character's bytes when they look like a GBK
// character (lead byte 0x81-0xFE), and refuses anything else, as a font
// without the character does.
class FakeRasteriser final : public topup::Rasteriser {
 public:
  bool Draw(const char gbk[2], topup::GlyphCell* cell) override {
    const auto lead = static_cast<unsigned char>(gbk[0]);
    if (lead < 0x81 || lead == 0xFF) return false;
    cell->fill(static_cast<std::uint8_t>(gbk[1]));
    return true;
  }
};

FakeRasteriser g_rasteriser;

const std::vector<Row>& AllRows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> all;
    for (const auto* table : {&ControlRows(), &TerminalRows(), &CardRows()})
      all.insert(all.end(), table->begin(), table->end());
    return all;
  }();
  return rows;
}

}  // namespace

struct Harness::OwnSession {
  icbus_session* handle = nullptr;
  Session* session = nullptr;
};

Harness::Harness(const std::uint8_t* data, std::size_t size, std::unique_ptr<sim::Device> device)
    : streams_(SplitStreams(data, size)), recorder_(*line_) {
  if (!device) device = std::make_unique<HostileDevice>(&streams_.answers, &*line_);
  line_->bus(1).Add(std::move(device));
  UsePort(&recorder_);
  topup::UseRasteriser(&g_rasteriser);
  // Process-wide settings start as a host's would.
  SetDecLen("");
  icbus_set_fast_replies(0);
}

Harness::~Harness() {
  topup::UseRasteriser(nullptr);
  UsePort(&*line_);
}

bool Harness::Held() const { return DefaultSession().held || (own_ && own_->session->held); }

bool Harness::SessionHeld() const { return PortHeld(); }

std::string Harness::Trace(std::size_t from_event) const {
  std::string trace = "calls of the input:";
  for (const char* name : history_) trace += std::string(" ") + name;
  trace += "\nport calls of the last one (> written, < read):";
  const auto& all = events();
  for (std::size_t i = from_event; i < all.size(); ++i) {
    const PortEvent& e = all[i];
    trace += "\n  ";
    switch (e.kind) {
      case PortEvent::Kind::kOpen:
        trace += e.ok ? "open" : "open failed";
        break;
      case PortEvent::Kind::kClose:
        trace += "close";
        break;
      case PortEvent::Kind::kWrite:
        trace += WireFrameLine('>', WireMode(e.parity), e.bytes);
        if (!e.ok) trace += " (failed)";
        break;
      case PortEvent::Kind::kRead:
        trace += "< " + EscapeWireBytes(e.bytes);
        break;
      case PortEvent::Kind::kOther:
        break;
    }
  }
  return trace;
}

void Harness::ToggleOwnSession() {
  if (!own_) {
    own_ = std::make_unique<OwnSession>();
    own_->handle = icbus_session_new();
    icbus_session_enter(own_->handle);
    own_->session = &CurrentSession();
    return;
  }
  icbus_session_leave(own_->handle);
  icbus_session_free(own_->handle);
  own_.reset();
}

void Harness::FailPortCall(sim::PortOp op, int nth) {
  line_->fail_when = [op, countdown = nth](const sim::PortCall& call) mutable {
    return call.op == op && countdown-- == 0;
  };
}

void Harness::Run() {
  const auto& rows = AllRows();
  for (int i = 0; i < kMaxCalls && !calls().AtEnd(); ++i) {
    const Row& row = rows[calls().Byte() % rows.size()];
    history_.push_back(row.name);
    Call call(this, row.name, row.family);
    row.run(call);
    call.Check();
  }
  Release();
}

// Ends whatever the calls left: the own session, then a download of the
// default one. Afterwards the line must be closed.
void Harness::Release() {
  line_->fail_when = nullptr;
  if (own_) ToggleOwnSession();
  if (line_->IsOpen() != DefaultSession().held) {
    std::fprintf(stderr, "\n*** icbus invariant broken: freeing a session left the port open\n");
    std::abort();
  }
  if (DefaultSession().held && icbus_end_download() != 1) {
    std::fprintf(stderr, "\n*** icbus invariant broken: a held download could not be ended\n");
    std::abort();
  }
  if (line_->IsOpen() || DefaultSession().held) {
    std::fprintf(stderr, "\n*** icbus invariant broken: the port is still held at the end\n");
    std::abort();
  }
}

int RowIndex(const char* name) {
  const auto& rows = AllRows();
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (std::string(rows[i].name) == name) return static_cast<int>(i);
  return -1;
}

void RunInput(const std::uint8_t* data, std::size_t size) {
  Harness harness(data, size);
  harness.Run();
}

}  // namespace icbus::fuzz
