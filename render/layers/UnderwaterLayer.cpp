#include "render/layers/UnderwaterLayer.h"

#include <memory>

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"

namespace {

const wchar_t kClassName[] = L"FakeUndervater";

IOF_Virtual_ReaderT_II<FakeUndervater, DS_2D_Light> s_reader(kClassName);

}  // namespace

FakeUndervater::FakeUndervater() = default;

FakeUndervater::~FakeUndervater() = default;

// ---- record ----

template <class IO>
void FakeUndervater::Fields(IO& io, int version, unsigned int& doubledSpeed) {
  if (version < kFirstVersionWithBrush) io.UInt(doubledSpeed);
}

void FakeUndervater::Read(DS_IOF_Handle& handle, int version) {
  unsigned int doubledSpeed = m_brush.speed.GetValue();
  ReadFields(*handle, *this, version, doubledSpeed);
  if (version < kFirstVersionWithBrush) {
    // The first layout kept the brush's speed doubled.
    m_brush.speed.SetValue(doubledSpeed);
    m_brush.speed.SetValue(doubledSpeed / 2);
  } else {
    std::unique_ptr<DS_UnderwaterFX> read = DS_UnderwaterFX::CreateFromSection(handle);
    if (!handle->Failed()) m_brush = *read;
  }
  ReadBaseRecord(handle);
}

void FakeUndervater::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, kClassName, kRecordVersion);
  unsigned int none = 0;
  WriteFields(stream, *this, kRecordVersion, none);
  m_brush.Write(stream);
  DS_2D_Light::Write(stream);
}

// ---- device and frame ----

void FakeUndervater::OnDeviceCreated() {
  DS_2D_Light::OnDeviceCreated();
  m_brush.Prepare(nullptr);
}

void FakeUndervater::Update(float t) {
  DS_2D_Light::Update(t);
  m_brush.Update(t);
}

// A brush without an effect could not bring the captured scene back to the screen:
// the layer then draws straight onto the back buffer as the plain layer does.
bool FakeUndervater::NeedsSceneCapture() const { return m_brush.GetEffect() != nullptr; }

void FakeUndervater::RenderSurround(bool skip) {
  // Only a capture that is still open holds this frame's scene; drawing the pair's
  // texture otherwise would cover what was drawn on the back buffer with an old frame.
  if (IsCaptureOpen()) {
    m_sceneTexture = EndSceneCapture(false);
    m_brush.Render(this);
  }
  DS_2D_Light::RenderSurround(skip);
}
