#pragma once
// The underwater layer: shows the whole scene as if seen under water. It captures the
// picture and the objects into its render-target pair every frame and, at the end of
// the frame, draws the captured image onto the back buffer through its embedded
// underwater brush, which waves it. The layer owns the brush and drives it itself;
// the brush never becomes a run-time object.

#include "objects/brushes/UnderwaterBrush.h"
#include "render/Layer.h"

class FakeUndervater : public DS_2D_Light {
public:
  static constexpr int kRecordVersion = 2;
  // Version 1 stored only the brush's speed (doubled); later ones the whole brush.
  static constexpr int kFirstVersionWithBrush = 2;

  FakeUndervater();
  ~FakeUndervater() override;

  // The "FakeUndervater" fields after the header, then the base layer's record.
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields: only the first layout has any, the brush's speed doubled;
  // later ones hold the brush's own section.
  template <class IO>
  void Fields(IO& io, int version, unsigned int& doubledSpeed);
  void Write(DS_IOF_Virtual& stream) const override;

  // The base layer's steps, then the brush takes its effect (and no mask).
  void OnDeviceCreated() override;
  // Ends the capture and draws what it holds through the brush, then the surround.
  void RenderSurround(bool skip) override;
  // The camera, then the brush clock.
  void Update(float t) override;
  // The layer moves by itself.
  bool IsStill() const override { return false; }
  // Whenever the brush has an effect to draw the captured scene with.
  bool NeedsSceneCapture() const override;

  DS_UnderwaterFX& GetBrush() { return m_brush; }
  const DS_UnderwaterFX& GetBrush() const { return m_brush; }

private:
  DS_UnderwaterFX m_brush;
};
