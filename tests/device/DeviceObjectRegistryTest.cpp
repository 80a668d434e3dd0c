#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/DeviceObjectRegistry.h"

namespace {

// A device object that writes what the walks asked of it into a shared log.
class LoggedObject : public DS_DeviceObject {
public:
  LoggedObject(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) {}
  void OnLostDevice() override { m_log.push_back("lost " + m_name); }
  void OnResetDevice() override { m_log.push_back("reset " + m_name); }
  void Register(DS_DeviceObjectRegistry* registry) { registration.Register(registry, this); }

  DS_DeviceObjectRegistration registration;

private:
  std::string m_name;
  std::vector<std::string>& m_log;
};

typedef std::vector<std::string> Log;

TEST(DeviceObjectRegistry, ALossAndItsRestoreReachEveryObjectOnceInTheOrderTheyRegistered) {
  Log log;
  DS_DeviceObjectRegistry registry;
  LoggedObject a("a", log), b("b", log);
  a.Register(&registry);
  b.Register(&registry);
  a.Register(&registry);  // registered already: still once
  EXPECT_EQ(2u, registry.GetCount());

  struct Step {
    const char* what;
    void (DS_DeviceObjectRegistry::*walk)();
    Log expected;
    bool lost;
  };
  const Step steps[] = {
      {"a restore of what was never lost", &DS_DeviceObjectRegistry::OnResetDevice, {}, false},
      {"the loss", &DS_DeviceObjectRegistry::OnLostDevice, {"lost a", "lost b"}, true},
      {"a second loss before the reset", &DS_DeviceObjectRegistry::OnLostDevice, {}, true},
      {"the restore", &DS_DeviceObjectRegistry::OnResetDevice, {"reset a", "reset b"}, false},
      {"a second restore", &DS_DeviceObjectRegistry::OnResetDevice, {}, false},
      {"the next loss", &DS_DeviceObjectRegistry::OnLostDevice, {"lost a", "lost b"}, true},
  };
  for (const Step& step : steps) {
    log.clear();
    (registry.*step.walk)();
    EXPECT_EQ(step.expected, log) << step.what;
    EXPECT_EQ(step.lost, registry.IsLost()) << step.what;
  }
}

TEST(DeviceObjectRegistry, ADestroyedObjectIsNeverWalked) {
  Log log;
  DS_DeviceObjectRegistry registry;
  LoggedObject kept("kept", log);
  kept.Register(&registry);
  {
    LoggedObject gone("gone", log);
    gone.Register(&registry);
    EXPECT_EQ(2u, registry.GetCount());
  }
  EXPECT_EQ(1u, registry.GetCount());
  registry.OnLostDevice();
  registry.OnResetDevice();
  EXPECT_EQ((Log{"lost kept", "reset kept"}), log);
}

TEST(DeviceObjectRegistry, AnObjectUnregisteredOrDestroyedDuringAWalkIsSkipped) {
  Log log;
  DS_DeviceObjectRegistry registry;
  std::unique_ptr<LoggedObject> later(new LoggedObject("later", log));
  LoggedObject stopped("stopped", log);
  // The first object's release destroys one registered after it and unregisters another.
  DS_DeviceObjectHooks first(
      [&] {
        log.push_back("lost first");
        later.reset();
        stopped.registration.Unregister();
      },
      [&] { log.push_back("reset first"); });
  first.Register(&registry);
  later->Register(&registry);
  stopped.Register(&registry);
  registry.OnLostDevice();
  EXPECT_EQ((Log{"lost first"}), log);
  EXPECT_EQ(1u, registry.GetCount());
  registry.OnResetDevice();
  EXPECT_EQ((Log{"lost first", "reset first"}), log);
}

TEST(DeviceObjectRegistry, ARegistryThatGoesFirstLetsItsRegistrationsGo) {
  Log log;
  LoggedObject object("object", log);
  {
    DS_DeviceObjectRegistry registry;
    g_CurrentDeviceObjects = &registry;
    object.registration.RegisterWithCurrent(&object);
    EXPECT_EQ(&registry, object.registration.GetRegistry());
  }
  EXPECT_EQ(nullptr, g_CurrentDeviceObjects) << "the current pointer does not outlive its registry";
  EXPECT_FALSE(object.registration.IsRegistered());
  object.registration.Unregister();  // and destroying the object later touches nothing

  // Without a current registry nothing registers.
  object.registration.RegisterWithCurrent(&object);
  EXPECT_FALSE(object.registration.IsRegistered());
  EXPECT_TRUE(log.empty());
}

}  // namespace
