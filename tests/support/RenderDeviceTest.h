#pragma once
// Device tests of the drawing code: the shared test device published as
// g_CurrentDevice for the test's duration. Only for test executables that link
// ds_render.

#include "device/DeviceGlobals.h"
#include "support/TestDevice.h"

namespace ds_test {

class RenderDeviceTest : public DeviceTest {
protected:
  void SetUp() override {
    DeviceTest::SetUp();
    g_CurrentDevice = device;
  }
  void TearDown() override {
    DeviceTest::TearDown();
    g_CurrentDevice = nullptr;
  }
};

}  // namespace ds_test
