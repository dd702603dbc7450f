// The sentences of icbus_last_error_message: who failed, on which device,
// and how, in the words a site engineer would look for.
#pragma once
#include <cstdint>
#include <string>

namespace icbus {

struct Command;
struct Session;

// "port 2 (/dev/ttyS1)"; a session opened on a device of its own is named
// by the device alone.
std::string PortLabel(const std::string& digits, const std::string& device);
// "1 s", "3.2 s", "12 ms".
std::string WaitText(std::uint32_t ms);
// Bytes in double quotes, escaped as in the wire log.
std::string Quoted(const std::string& bytes);

// "terminal 7 on port 1 (/dev/ttyS0)", "the card writer on ...".
std::string Who(const Session& session, const Command& command);

// An argument that no frame can carry: nothing was sent.
void RecordBadArgument(const std::string& what);
// A complete reply that is not the one the command needs, on the current
// session.
void RecordUnexpectedReply(const Command& command, const std::string& reply,
                           const std::string& wanted);

}  // namespace icbus
