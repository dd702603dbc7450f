// The tool on the site's store: records collect --db stores each record once
// as icbusd does, records export prints them, and a port icbusd holds is
// named so.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "icbusd_process.h"

namespace icbus::site_test {
namespace {

// Runs the tool with `args`; its status, and everything it printed.
int Tool(const std::string& args, std::string* output) {
  std::string command = std::string(ICBUS_TOOL_PATH) + " " + args + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  output->clear();
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output->append(buffer, n);
  int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ToolStore, CollectsOnceExportsAndNamesIcbusd) {
  Site site;
  SimBus& bus = site.AddBus("port1", R"({"devices": [{"type": "terminal", "machine": 5, "generate": 60}]})",
                            "[[bus.terminal]]\nmachine = 5\n");
  ASSERT_TRUE(bus.sim->running());
  e2e::PortMapping com1(1, bus.sim->link());
  std::string out, db = "--db " + site.db();
  ASSERT_EQ(Tool("records collect --fast --port 1 --machine 5 --kind consumption " + db, &out), 0) << out;
  EXPECT_NE(out.find("60 new of 60"), std::string::npos) << out;
  ASSERT_EQ(Tool("records collect --fast --port 1 --machine 5 --kind consumption " + db, &out), 0) << out;
  EXPECT_NE(out.find("0 new of 60"), std::string::npos) << out;
  ASSERT_EQ(Tool("--json records export --machine 5 " + db, &out), 0) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 60);
  EXPECT_NE(out.find(R"("bus":"port1","machine":5,"kind":"consumption")"), std::string::npos);
  EXPECT_NE(out.find(R"("received_at":")"), std::string::npos);
  ASSERT_EQ(Tool("records export --csv --since 2999-01-01 " + db, &out), 0) << out;
  EXPECT_EQ(out, "id,bus,machine,kind,run,position,line,received_at\r\n");

  // icbusd re-reads the 60 stored records, holding the port meanwhile.
  site.WriteSiteFile("[schedule]\ncollect_every_minutes = 60\n");
  ASSERT_GT(site.Start({"--config", site.site_file()}), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  EXPECT_NE(Tool("records count --port 1 --machine 5", &out), 0);
  EXPECT_NE(out.find("icbusd (pid "), std::string::npos) << out;
}

}  // namespace
}  // namespace icbus::site_test
