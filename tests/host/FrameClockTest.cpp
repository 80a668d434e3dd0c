// The scene time: seconds since the saver started drawing, from the performance
// counter or, without one, from the millisecond clock.
#include <gtest/gtest.h>

#include "host/FrameClock.h"

namespace {

class ScriptedTime : public DS_TimeSource {
public:
  bool Frequency(LONGLONG& perSecond) override {
    ++frequencyQueries;
    perSecond = frequency;
    return frequency > 0;
  }
  LONGLONG Counter() override { return counter; }
  DWORD Milliseconds() override { return milliseconds; }

  LONGLONG frequency = 1000000;
  LONGLONG counter = 5000000;
  DWORD milliseconds = 0xFFFFFF00;  // wraps during the test
  int frequencyQueries = 0;
};

TEST(FrameClock, CountsFromStartWithThePerformanceCounter) {
  ScriptedTime time;
  DS_FrameClock clock(&time);
  clock.Start();
  float app = -1, elapsed = -1;
  time.counter += 250000;
  clock.Read(app, elapsed);
  EXPECT_FLOAT_EQ(0.25f, app);
  EXPECT_FLOAT_EQ(0.25f, elapsed);
  time.counter += 500000;
  clock.Read(app, elapsed);
  EXPECT_FLOAT_EQ(0.75f, app);
  EXPECT_FLOAT_EQ(0.5f, elapsed);
  clock.Start();
  clock.Read(app, elapsed);
  EXPECT_FLOAT_EQ(0.0f, app) << "a new start sets the base to now";
  EXPECT_EQ(1, time.frequencyQueries) << "the counter is checked once";
}

TEST(FrameClock, FallsBackToMillisecondsWithoutACounter) {
  ScriptedTime time;
  time.frequency = 0;
  DS_FrameClock clock(&time);
  clock.Start();
  time.milliseconds += 1500;
  float app = -1, elapsed = -1;
  clock.Read(app, elapsed);
  EXPECT_FLOAT_EQ(1.5f, app);
  EXPECT_FLOAT_EQ(1.5f, elapsed);
}

}  // namespace
