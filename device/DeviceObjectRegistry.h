#pragma once
// The one list of what a device reset takes away: render-target pairs, default-pool
// buffers, the document's effects and the references layers keep into them. Each
// such object registers once, when it makes its device part; a device loss walks the
// list once and every object lets go of that part, the restore after the reset walks
// it once more and every object makes again what it let go of. Nothing else releases
// or re-creates device objects for a reset, and a walk that finds nothing lost (a
// restore without a loss, a second loss) does nothing.
//
// The document's resource manager owns the registry of its scene; objects made while
// a manager is current register with g_CurrentDeviceObjects, which selecting the
// manager selects. A registration ends with its holder, so that a destroyed object is
// never walked; a registry that goes first lets its registrations go.

#include <cstddef>
#include <functional>
#include <vector>

class DS_DeviceObjectRegistry;

// What a reset takes away, as its owner releases and makes it again.
class DS_DeviceObject {
public:
  virtual ~DS_DeviceObject() = default;
  // Before the reset: release everything that lives in the default pool or refers to it.
  virtual void OnLostDevice() = 0;
  // After the reset: make again what OnLostDevice released.
  virtual void OnResetDevice() = 0;
};

// One object's place in a registry, held by the object: destroying it unregisters.
class DS_DeviceObjectRegistration {
public:
  DS_DeviceObjectRegistration() = default;
  DS_DeviceObjectRegistration(const DS_DeviceObjectRegistration&) = delete;
  DS_DeviceObjectRegistration& operator=(const DS_DeviceObjectRegistration&) = delete;
  ~DS_DeviceObjectRegistration() { Unregister(); }

  // Registers `object` with `registry` unless it is registered already (null: nothing).
  void Register(DS_DeviceObjectRegistry* registry, DS_DeviceObject* object);
  // The same with the current registry: how objects register as they make their parts.
  void RegisterWithCurrent(DS_DeviceObject* object);
  void Unregister();
  bool IsRegistered() const { return m_registry != nullptr; }
  DS_DeviceObjectRegistry* GetRegistry() const { return m_registry; }

private:
  friend class DS_DeviceObjectRegistry;

  DS_DeviceObjectRegistry* m_registry = nullptr;
  DS_DeviceObject* m_object = nullptr;
};

// An object whose release and re-creation are two functions of its owner: for owners
// whose own hooks mean something else (a layer's, the manager's effect table).
class DS_DeviceObjectHooks : public DS_DeviceObject {
public:
  DS_DeviceObjectHooks(std::function<void()> lost, std::function<void()> reset)
      : m_lost(std::move(lost)), m_reset(std::move(reset)) {}
  DS_DeviceObjectHooks(const DS_DeviceObjectHooks&) = delete;
  DS_DeviceObjectHooks& operator=(const DS_DeviceObjectHooks&) = delete;
  ~DS_DeviceObjectHooks() override = default;

  void OnLostDevice() override {
    if (m_lost) m_lost();
  }
  void OnResetDevice() override {
    if (m_reset) m_reset();
  }
  void Register(DS_DeviceObjectRegistry* registry) { m_registration.Register(registry, this); }
  void RegisterWithCurrent() { m_registration.RegisterWithCurrent(this); }
  const DS_DeviceObjectRegistration& Registration() const { return m_registration; }

private:
  std::function<void()> m_lost;
  std::function<void()> m_reset;
  DS_DeviceObjectRegistration m_registration;
};

class DS_DeviceObjectRegistry {
public:
  DS_DeviceObjectRegistry() = default;
  DS_DeviceObjectRegistry(const DS_DeviceObjectRegistry&) = delete;
  DS_DeviceObjectRegistry& operator=(const DS_DeviceObjectRegistry&) = delete;
  // The registrations still held forget this registry; the current pointer is cleared
  // when it points here.
  ~DS_DeviceObjectRegistry();

  // Every registered object lets go of its device part, in the order they registered.
  // Once: a second loss before the restore finds nothing more to release.
  void OnLostDevice();
  // Every registered object makes its part again, in the order they registered. Only
  // after a loss: a restore of what was never lost does nothing.
  void OnResetDevice();

  bool IsLost() const { return m_lost; }
  size_t GetCount() const;

private:
  friend class DS_DeviceObjectRegistration;

  void Add(DS_DeviceObjectRegistration* registration);
  void Remove(DS_DeviceObjectRegistration* registration);
  // Calls `hook` on every object registered when the walk reaches it; registrations
  // that end during the walk are skipped and dropped afterwards.
  void Walk(void (DS_DeviceObject::*hook)());

  std::vector<DS_DeviceObjectRegistration*> m_entries;
  bool m_lost = false;
  bool m_walking = false;
};

// The registry of the scene being drawn (its resource manager's), or null.
extern DS_DeviceObjectRegistry* g_CurrentDeviceObjects;
