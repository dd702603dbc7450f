// The simulator's end of the serial line: a pseudo-terminal whose slave the
// host opens as its serial port. The ninth bit does not exist on a pty, so the
// mode of arriving bytes is read from the line settings the host has set.
#pragma once
#include <memory>
#include <string>

#include "device.h"

namespace icbus::sim {

class PtyLine {
 public:
  // Opens a pty in raw mode at 19200 baud and makes it this process's
  // controlling terminal, so that no other program adopts it (setsid() must
  // be allowed: the caller must not lead a process group). The slave stays
  // open here, so the host may close and reopen it without a hang-up.
  static std::unique_ptr<PtyLine> Open(std::string* error);
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  int master() const { return master_; }
  const std::string& slave_path() const { return slave_path_; }

  // The host's current parity: PARODD is MARK (address), CMSPAR alone SPACE
  // (data), neither no parity. The pty keeps PARODD and CMSPAR even though
  // it drops PARENB.
  Mode CurrentMode() const;

  // Bytes the host has written, without blocking; empty when there are none.
  // False when the line failed.
  bool ReadAvailable(std::string* bytes);
  // Writes all of `bytes` towards the host.
  bool Write(const std::string& bytes);

 private:
  PtyLine(int master, int slave, std::string slave_path)
      : master_(master), slave_(slave), slave_path_(std::move(slave_path)) {}
  int master_;
  int slave_;
  std::string slave_path_;
};

}  // namespace icbus::sim
