// The icbus program against icbus-sim whose card writer loses its answer to
// the purse write once: the card was credited, so the top-up must count as
// done, and nobody is told to retry it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "sim_process.h"

namespace icbus::e2e {
namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the tool with `args`; its exit code, and what it wrote.
int Tool(const SimProcess& sim, const std::string& args, std::string* out, std::string* err) {
  const std::string out_file = sim.directory() + "/out.txt";
  const std::string err_file = sim.directory() + "/err.txt";
  const int status = std::system(
      (std::string(ICBUS_TOOL_PATH) + " " + args + " >" + out_file + " 2>" + err_file).c_str());
  *out = Contents(out_file);
  *err = Contents(err_file);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliCardWrite, ATopUpWhoseAnswerWasLostCountsAsDoneOnce) {
  // 50.0 yuan in tenths: 500 = 0x01F4, little-endian from byte 5.
  SimProcess sim(R"({"devices": [{"type": "card_writer", )"
                 R"("cards": [{"blocks": {"2/2": "0000000000F401000000000000000000"}}], )"
                 R"("faults": [{"kind": "silence", "frame": "SW", "count": 1}]}]})");
  ASSERT_TRUE(sim.running());
  PortMapping com1(1, sim.link());
  std::string out, err;
  EXPECT_EQ(Tool(sim, "card topup --port 1 --amount 10", &out, &err), 0) << err;
  EXPECT_EQ(out, "topped up 10.0 yuan (sector 2 block 2 on the card writer on port 1)\n");
  EXPECT_NE(err.find("the top-up was applied; do not repeat it"), std::string::npos) << err;
  EXPECT_EQ(Tool(sim, "card balance --port 1", &out, &err), 0) << err;
  EXPECT_EQ(out, "60.0\n");
}

}  // namespace
}  // namespace icbus::e2e
