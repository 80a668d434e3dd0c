#pragma once
// A sun-burst: a fan of textured rays from the generator's position, at equal or
// (from a fixed seed) slightly irregular angles and lengths, turning, swinging or
// standing still. The time line's opacity can shorten the rays or fade them. The fan
// is one buffer slot of its particles object, rewritten every frame with one quad per
// ray; the generator emits no particles.

#include <d3dx9math.h>

#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "objects/particles/OriginGenerators.h"

class DS_RadialRays : public DS_StaticGenerator {
public:
  static constexpr int kRecordVersion = 1;
  // RotationMode values; any other value turns as kTurnForward.
  enum RotationModes { kTurnForward = 0, kTurnBackward = 1, kSwing = 2 };
  // The time line's time mode decides what its opacity scales.
  enum FadeTargets { kFadeSize = 0, kFadeAlpha = 1 };

  DS_RadialRays();
  DS_RadialRays(const DS_RadialRays& other) = default;
  ~DS_RadialRays() override;

  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header: the eleven settings, then the "DS_StaticGenerator"
  // record (the version is ignored).
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Turns the fan: the rotation clock advances to t and the rotation follows the mode.
  void Update(float t, DS_ParticlesObj* object) override;
  // Rewrites the ray quads and draws them with the picture of TextureIndex.
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  // Resources, the off-screen target, one buffer slot and a first set of quads.
  void PrepareResources(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override;

  // One quad per ray into slot 0 of `object`. An irregular fan reseeds the shared
  // random sequence with Seed and afterwards with a value drawn from it before.
  void BuildRayQuads(DS_ParticlesObj* object);
  // The fan's current rotation about z.
  const D3DXMATRIX& GetRotation() const { return m_rotation; }

  MediaParamT<unsigned int> RayLength;
  MediaParamT<unsigned int> RayWidth;
  MediaParamT<unsigned int> RayCount;
  MediaParamT<int> TextureIndex;
  MediaParamT<int> Irregular;
  MediaParamT<unsigned int> Seed;
  UINTSclaleTo<float> Variation;
  MediaSpeedParam RotationSpeed;
  MediaParamT<int> RotationMode;
  UINTSclaleTo<float> FadeDepth;
  UINTSclaleTo<float> SwingAmplitude;

private:
  // Steps 3 to 5 of a rebuild: `count` rays into `vertices`.
  void WriteRays(DX_V::PCT* vertices, unsigned count);

  // Identity until the first update.
  D3DXMATRIX m_rotation;
};
