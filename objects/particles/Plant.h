#pragma once
// Single-picture generators: one picture in one quadrilateral of the scene, moved by
// the generator's effect. DS_SingleRectGN owns the quadrilateral and writes it once,
// as the single quad of its object's first buffer slot, when the object is prepared;
// later changes of the region show only after the next preparation. DS_Plant is the
// swaying plant: its effect bends the picture with a clock, a frequency and two
// magnitudes.

#include "document/CompositeParams.h"
#include "document/ScaledParams.h"
#include "objects/particles/OriginGenerators.h"

class DS_SingleRectGN : public DS_StaticGenerator {
public:
  static constexpr int kRecordVersion = 2;

  DS_SingleRectGN() = default;
  DS_SingleRectGN(const DS_SingleRectGN& other) = default;
  ~DS_SingleRectGN() override;

  // The level record "DS_SingleRectGN": header, region, then the "DS_StaticGenerator"
  // record.
  void Write(DS_IOF_Virtual& stream) const override;
  // The level record; the class name is not compared. Version 1 carries two more
  // floats after the region, which are skipped.
  void ReadSection(DS_IOF_Handle& handle);
  template <class IO>
  void Fields(IO& io, int version);

  // Resources, one buffer slot holding the region quad in the first colour.
  void PrepareResources(DS_ParticlesObj* object) override;
  // Only the one quad is drawn, never the scene as a whole: taking the scene would
  // lose the picture, whatever the blend mode.
  bool NeedsSceneInput() const override { return false; }

  // Corners in scene pixels: vertices 0 to 3 of the quad are corners 1, 0, 3, 2.
  MediaQuad region;
};

class DS_Plant : public DS_SingleRectGN {
public:
  static constexpr int kRecordVersion = 1;
  // Time mode of the time line in which its opacity reaches the effect's colour.
  static constexpr int kTimeModeOpacity = 1;

  DS_Plant();
  DS_Plant(const DS_Plant& other) = default;
  ~DS_Plant() override;

  // Tag, version, the four settings, then the "DS_SingleRectGN" record.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header (the version is ignored).
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Advances the sway clock; the generator's particle processes are not run.
  void Update(float t, DS_ParticlesObj* object) override;
  // Sets the effect's technique and parameters and draws the region quad through it.
  // The sway is the effect's own: without an effect the plant is not drawn.
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override;

  // The four floats of the effect's "color": white, with the time line's opacity as
  // alpha in time mode kTimeModeOpacity and 1 otherwise.
  D3DXVECTOR4 EffectColour() const;

  MediaSpeedParam TimeSpeed;
  UINTSclaleTo<float> Frequency;
  UINTSclaleTo<float> WMagnitude;
  UINTSclaleTo<float> BMagnitude;
};
