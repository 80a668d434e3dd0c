#pragma once
// Shooting stars: they appear at random points of the generator's region, fade in,
// glide in one direction while turning, leave a fading trail and fade out. The stars
// are the generator's origins, so the base trail emission lays the trail particles
// along their paths. Stars and trail particles are drawn as cores and larger glows in
// two tints into the two textures of the generator's target, and the effect's "Main"
// technique lays both over the scene.

#include "document/CompositeParams.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "objects/particles/OriginGenerators.h"

class DS_FallingStars : public DS_ParticleRctRgnGenerator {
public:
  static constexpr int kRecordVersion = 1;
  // Buffer slots: star cores, trail cores, star glows, trail glows.
  enum Slots { kStarCores = 0, kTrailCores = 1, kStarGlows = 2, kTrailGlows = 3, kSlotCount = 4 };
  // A star turns at this many radians per second for every pixel per second of speed.
  static constexpr float kSpinPerSpeed = 0.002f;

  DS_FallingStars();
  DS_FallingStars(const DS_FallingStars& other) = default;
  ~DS_FallingStars() override;

  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header (the version is ignored): the star settings, the
  // region, then the textured generator's section.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // The base step (clock, processes of stars and trails), new stars, then the quads.
  void Update(float t, DS_ParticlesObj* object) override;
  // Cores and glows into the target's two textures, then "Main" over the scene. Needs
  // the effect: without one the stars are not drawn.
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  // Resources, the target, four buffer slots; stored origins are dropped.
  void PrepareResources(DS_ParticlesObj* object) override;
  // "Main" always lays the stars over the scene, whatever the blend mode; but only a
  // draw that can compose puts the captured scene back.
  bool NeedsSceneInput() const override { return CanComposite(); }
  DS_ParticleGenerator* Clone() const override;

  // Trail particles along every star's path, then a random number of new stars.
  void SpawnStars();
  void BuildQuads(DS_ParticlesObj* object);

  UINTSclaleTo<float> starSpeed;
  PerSecondCounterRnd starRate;
  MediaDirection direction;
  MediaParamT<unsigned int> starSize;
  UINTSclaleTo<float> glowFactor;
  TimeParam showTime;
  TimeParam fadeInTime;
  TimeParam fadeOutTime;
};
