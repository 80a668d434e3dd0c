#include "render/SlideContainer.h"

#include <cmath>
#include <cstdint>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"

namespace {

// Fewest bytes an object record can take (class name and version), for counts.
const size_t kLeastObjectRecordBytes = kLeastStringBytes + 4;
// Record versions: 2 added the secondary items, 3 the duration in seconds, 4 stores
// it in hundredths.
const int kFirstVersionWithSecondary = 2;
const int kFirstVersionWithDuration = 3;
const unsigned int kHundredthsPerSecond = 100;

unsigned int SaturatingTimes100(unsigned int value) {
  const uint64_t product = uint64_t(value) * kHundredthsPerSecond;
  return product > UINT32_MAX ? UINT32_MAX : static_cast<unsigned int>(product);
}

IOF_Virtual_ReaderT_II<DS_SlideContainer, DS_SlideContainer> s_slideReader(L"DS_SlideContainer");

}  // namespace

DS_SlideContainer::DS_SlideContainer()
    : fadeIn(1u), fadeOut(1u), show(10u), extraValue(0), duration(kDefaultDuration),
      m_light(new DS_2D_Light()) {}

// The objects go before the items, the layer last: objects may still refer to it.
DS_SlideContainer::~DS_SlideContainer() {
  m_visualObjects.clear();
  m_secondaryObjects.clear();
  m_visualItems.clear();
  m_secondaryItems.clear();
  m_light.Release();
}

DS_SlideContainer* ReadAnySlideContainer(DS_IOF_Handle& handle) {
  return DispatchRecord<DS_SlideContainer>(handle, IOF_Virtual_ReaderII<DS_SlideContainer>::GetRegistry());
}

// ---- record ----

bool DS_SlideContainer::ReadItems(DS_IOF_Handle& handle, ItemList& items) {
  DS_IOF_Virtual& stream = *handle;
  unsigned int count = 0;
  stream.ReadUInt(count);
  if (stream.Failed() || !stream.CheckCount(count, kLeastObjectRecordBytes)) return false;
  for (unsigned int i = 0; i < count; ++i) {
    DS_ABObj_Constructor* item = ReadAnyObject(handle);
    if (!item) return false;
    items.emplace_back(item);
  }
  return true;
}

template <class IO>
void DS_SlideContainer::Fields(IO& io, int version, unsigned int& storedDuration) {
  io.UInt(fadeIn);
  io.UInt(fadeOut);
  io.UInt(show);
  io.Long(extraValue);
  io.Text(name);
  if (version >= kFirstVersionWithDuration) io.UInt(storedDuration);
}

void DS_SlideContainer::Read(DS_IOF_Handle& handle, int version) {
  unsigned int stored = duration.GetValue();
  ReadFields(*handle, *this, version, stored);
  // Older records count whole seconds (version 3) or keep the default: hundredths now.
  if (version < kRecordVersion) stored = SaturatingTimes100(stored);
  duration.SetValue(stored);
  if (handle->Failed()) return;

  DS_2D_Light* light = ReadAny2DLight(handle);
  if (!light) return;
  m_light = DS_SharedRef<DS_2D_Light>(light);

  if (!ReadItems(handle, m_visualItems)) return;
  if (version >= kFirstVersionWithSecondary) ReadItems(handle, m_secondaryItems);
}

void DS_SlideContainer::WriteItems(DS_IOF_Virtual& stream, const ItemList& items, const DS_ObjectList& objects,
                                   bool built) {
  // Before the build the items are the slide's content; after it, the objects' clones.
  if (!built) {
    stream.WriteUInt(static_cast<unsigned int>(items.size()));
    for (const auto& item : items) item->Write(stream);
    return;
  }
  unsigned int count = 0;
  for (const auto& object : objects) {
    if (object && object->GetConstructor()) ++count;
  }
  stream.WriteUInt(count);
  for (const auto& object : objects) {
    if (object && object->GetConstructor()) object->GetConstructor()->Write(stream);
  }
}

void DS_SlideContainer::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_SlideContainer", kRecordVersion);
  unsigned int stored = duration.GetValue();
  WriteFields(stream, *this, kRecordVersion, stored);
  m_light->Write(stream);
  WriteItems(stream, m_visualItems, m_visualObjects, m_built);
  WriteItems(stream, m_secondaryItems, m_secondaryObjects, m_built);
}

// ---- building ----

void DS_SlideContainer::SetLight(DS_2D_Light* light) {
  if (light) m_light = DS_SharedRef<DS_2D_Light>(light);
}

void DS_SlideContainer::AddVisualItem(DS_ABObj_Constructor* item) {
  if (item) m_visualItems.emplace_back(item);
}

void DS_SlideContainer::AddSecondaryItem(DS_ABObj_Constructor* item) {
  if (item) m_secondaryItems.emplace_back(item);
}

void DS_SlideContainer::BuildList(ItemList& items, DS_ObjectList& objects) {
  for (const auto& item : items) {
    if (DS_ABObj* object = item->CreateObject()) objects.emplace_back(object);
  }
  items.clear();
}

void DS_SlideContainer::BuildObjects() {
  if (m_built) return;
  m_light->OnDeviceCreated();
  m_light->SetSize(1, 1);
  BuildList(m_visualItems, m_visualObjects);
  BuildList(m_secondaryItems, m_secondaryObjects);
  m_built = true;
}

// ---- frame ----

float DS_SlideContainer::GetWrappedTime(float t) const {
  const float period = duration.GetSeconds();
  if (!(period > 0.0f) || !std::isfinite(period) || !std::isfinite(t)) return 0.0f;
  return std::fmod(t, period);
}

bool DS_SlideContainer::IsStill() const {
  return m_light->IsStill() && m_visualObjects.empty() && m_secondaryObjects.empty() && m_visualItems.empty() &&
         m_secondaryItems.empty();
}

void DS_SlideContainer::Update(float t) {
  m_light->Update(t);
  for (const auto& object : m_visualObjects) object->UpdateAt(t);
  for (const auto& object : m_secondaryObjects) object->UpdateAt(t);
  const float wrapped = GetWrappedTime(t);
  for (const auto& object : m_visualObjects) object->SetWrappedTime(wrapped);
}

void DS_SlideContainer::Render(bool noClear) {
  DS_SharedRef<DS_2D_Light> light = GetLight();
  // Each object is asked once a frame: the count that opens the capture and the pass
  // that ends it must agree.
  // The answers live in a member: the frame allocates nothing for them.
  m_needsScene.assign(m_visualObjects.size(), false);
  int sceneUsers = 0;
  for (size_t i = 0; i < m_visualObjects.size(); ++i) {
    m_needsScene[i] = m_visualObjects[i]->NeedsSceneInput();
    if (m_needsScene[i]) ++sceneUsers;
  }
  if (light->NeedsSceneCapture()) ++sceneUsers;
  if (sceneUsers > 0) light->BeginSceneCapture();
  light->Render(noClear);
  light->RenderObjects(m_visualObjects, m_needsScene, sceneUsers);
}

void DS_SlideContainer::RenderSurround(bool skip) { GetLight()->RenderSurround(skip); }

void DS_SlideContainer::Activate() {
  for (const auto& object : m_visualObjects) object->Reset();
  GetLight()->OnDeviceRestored();
}

void DS_SlideContainer::EnableSecondaryObjects(bool on) {
  for (const auto& object : m_secondaryObjects) object->SetEnabled(on);
}

void DS_SlideContainer::SetSize(int width, int height) { GetLight()->SetSize(width, height); }

void DS_SlideContainer::SetFitType(int type) { GetLight()->SetFitType(type); }

void DS_SlideContainer::OnDeviceLost() { GetLight()->OnDeviceLost(); }
