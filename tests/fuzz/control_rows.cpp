// Rows of the call table: the port session, the settings, own sessions and
// faults of the port itself.
#include <iterator>

#include "icbus.h"
#include "link/session.h"
#include "row_rules.h"

namespace icbus::fuzz {
namespace {

// The port calls a fault can hit. Closing is left out: a handle that cannot
// be closed is not something a serial driver does.
constexpr sim::PortOp kFaultOps[] = {
    sim::PortOp::kOpen,        sim::PortOp::kGetState,    sim::PortOp::kSetState,
    sim::PortOp::kSetupQueues, sim::PortOp::kGetTimeouts, sim::PortOp::kSetTimeouts,
    sim::PortOp::kPurge,       sim::PortOp::kWrite,       sim::PortOp::kRead};

const std::vector<Row> kRows = {
    {"icDevInit", Family::kControl,
     [](Call& c) {
       const char* digits = c.Text();
       const int result = icDevInit(digits);
       c.InRange(result == 0 || result == 1);
       c.Expect(!c.Sent(), "icDevInit sent a frame");
       c.Expect(!(c.HeldBefore() && result == 1), "icDevInit opened a second port");
       c.Expect(c.HeldNow() == (c.HeldBefore() || result == 1), "icDevInit and the port disagree");
     }},
    {"icDevClose", Family::kControl,
     [](Call& c) {
       const bool held = PortHeld();
       const int result = icDevClose();
       c.Expect(result == (held ? 1 : 0), "icDevClose reported the wrong outcome");
       c.Expect(!PortHeld(), "icDevClose left the port held");
       c.Expect(!c.Sent(), "icDevClose sent a frame");
     }},
    {"ChangeicDevSettings", Family::kControl,
     [](Call& c) {
       const int mode = c.Int();
       const bool held = PortHeld();
       const int result = ChangeicDevSettings(mode);
       c.InRange(result == 0 || result == 1);
       c.Expect(held || result == 0, "a mode change succeeded without a port");
       c.Expect(!c.Sent(), "a mode change sent a frame");
     }},
    {"SetDecLen", Family::kControl,
     [](Call& c) {
       const char* text = c.Text();
       c.Expect(SetDecLen(text) == 1, "SetDecLen failed");
       c.Expect(TwoDecimals() == (text && std::strcmp(text, "2") == 0),
                "the decimal setting is not the text's");
     }},
    {"icbus_set_fast_replies", Family::kControl, [](Call& c) { icbus_set_fast_replies(c.Int()); }},
    {"icbus_end_download", Family::kControl,
     [](Call& c) {
       const bool held = PortHeld();
       const int result = icbus_end_download();
       c.Expect(result == (held ? 1 : 0), "icbus_end_download reported the wrong outcome");
       c.Expect(!PortHeld(), "icbus_end_download left the port held");
     }},
    {"icbus_session", Family::kControl,
     [](Call& c) {
       c.harness().ToggleOwnSession();
       c.Expect(c.harness().line().IsOpen() == c.HeldNow(),
                "a session ended with its port still open");
     }},
    {"icbus_name_drawable", Family::kControl,
     [](Call& c) {
       const char* name = c.Text();
       const int result = icbus_name_drawable(name);
       c.InRange(result == 0 || result == 1);
       c.Expect(name || result == 0, "a null name counted as drawable");
       c.Expect(!c.Sent(), "icbus_name_drawable sent a frame");
     }},
    {"icbus_check_card_write", Family::kControl,
     [](Call& c) {
       const int result = icbus_check_card_write();
       c.InRange(result >= -2 && result <= 1);
       c.Expect(result != -2 || !c.Sent(), "a check with no write to check sent a frame");
     }},
    {"icbus_version", Family::kControl,
     [](Call& c) {
       const char* version = icbus_version();
       c.Expect(version && std::strcmp(version, ICBUS_VERSION_STRING) == 0,
                "icbus_version is not the headers' release");
     }},
    {"port fault", Family::kControl,
     [](Call& c) {
       const sim::PortOp op = kFaultOps[static_cast<unsigned>(c.Int()) % std::size(kFaultOps)];
       c.harness().FailPortCall(op, c.Int() & 7);
     }},
};

}  // namespace

const std::vector<Row>& ControlRows() { return kRows; }

}  // namespace icbus::fuzz
