#include "admin_fixture.h"

#include <chrono>
#include <thread>

namespace icbus::e2e {

// Anything the library sent after its last expected frame (a stray "SZ!")
// has reached the simulator's log well within this time.
constexpr std::chrono::milliseconds kQuiet{50};

void AdminTest::Run(const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_FALSE(step.frames.empty());
    std::size_t before = sim_.Frames().size();
    EXPECT_EQ(step.call(), step.result);
    EXPECT_TRUE(sim_.WaitForFrame(step.frames.back(), before)) << "missing " << step.frames.back();
    std::this_thread::sleep_for(kQuiet);
    Frames frames = sim_.Frames();
    EXPECT_EQ(Frames(frames.begin() + static_cast<std::ptrdiff_t>(before), frames.end()),
              step.frames);
  }
}

nlohmann::json AdminTest::Held(int number) const { return sim_.Held(number); }

}  // namespace icbus::e2e
