#include "device/DeviceObjectRegistry.h"

#include <algorithm>

DS_DeviceObjectRegistry* g_CurrentDeviceObjects = nullptr;

// ---- registration ----

void DS_DeviceObjectRegistration::Register(DS_DeviceObjectRegistry* registry, DS_DeviceObject* object) {
  if (m_registry || !registry || !object) return;
  m_registry = registry;
  m_object = object;
  registry->Add(this);
}

void DS_DeviceObjectRegistration::RegisterWithCurrent(DS_DeviceObject* object) {
  Register(g_CurrentDeviceObjects, object);
}

void DS_DeviceObjectRegistration::Unregister() {
  if (!m_registry) return;
  m_registry->Remove(this);
  m_registry = nullptr;
  m_object = nullptr;
}

// ---- registry ----

DS_DeviceObjectRegistry::~DS_DeviceObjectRegistry() {
  for (DS_DeviceObjectRegistration* entry : m_entries) {
    if (!entry) continue;
    entry->m_registry = nullptr;
    entry->m_object = nullptr;
  }
  if (g_CurrentDeviceObjects == this) g_CurrentDeviceObjects = nullptr;
}

size_t DS_DeviceObjectRegistry::GetCount() const {
  return size_t(std::count_if(m_entries.begin(), m_entries.end(),
                              [](const DS_DeviceObjectRegistration* entry) { return entry != nullptr; }));
}

void DS_DeviceObjectRegistry::Add(DS_DeviceObjectRegistration* registration) {
  m_entries.push_back(registration);
}

void DS_DeviceObjectRegistry::Remove(DS_DeviceObjectRegistration* registration) {
  auto found = std::find(m_entries.begin(), m_entries.end(), registration);
  if (found == m_entries.end()) return;
  // During a walk the list keeps its length: the walk goes on by index.
  if (m_walking) {
    *found = nullptr;
  } else {
    m_entries.erase(found);
  }
}

void DS_DeviceObjectRegistry::Walk(void (DS_DeviceObject::*hook)()) {
  const bool nested = m_walking;
  m_walking = true;
  // By index: an object made during the walk registers at the end and is walked too.
  for (size_t i = 0; i < m_entries.size(); ++i) {
    DS_DeviceObjectRegistration* entry = m_entries[i];
    if (entry && entry->m_object) (entry->m_object->*hook)();
  }
  if (nested) return;
  m_walking = false;
  m_entries.erase(std::remove(m_entries.begin(), m_entries.end(), nullptr), m_entries.end());
}

void DS_DeviceObjectRegistry::OnLostDevice() {
  if (m_lost) return;
  m_lost = true;
  Walk(&DS_DeviceObject::OnLostDevice);
}

void DS_DeviceObjectRegistry::OnResetDevice() {
  if (!m_lost) return;
  m_lost = false;
  Walk(&DS_DeviceObject::OnResetDevice);
}
