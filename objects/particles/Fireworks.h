#pragma once
// Fireworks: rockets go up from the generator's position in random directions and burn
// for a set time, spraying sparks behind them; the sparks drift apart, grow and fade.
// The rockets are the generator's origins, so the base trail emission lays the sparks
// along their paths. With a time line every visible period starts with all rockets
// going up together, burning for the length of the period; without one the rockets
// follow each other at a steady pace. Rockets and sparks are drawn as cores and larger
// glows in two tints into the two textures of the generator's target, and the effect's
// "Main" technique lays both over the scene.
//
// DS_Firework launches and draws; a concrete firework decides how a rocket and a spark
// start (DS_FireworkSimple).

#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "objects/particles/OriginGenerators.h"

class DS_Firework : public DS_ParticleOriginGenerator {
public:
  // Buffer slots: the cores of all rockets and then of all sparks; their glows in the
  // same order. Both are drawn with the picture of texture set 0.
  enum Slots { kCores = 0, kGlows = 1, kSlotCount = 2 };
  // Without a time line a rocket burns this long, and `rocketCount` rockets go up in
  // this many seconds of the clock.
  static constexpr float kFreeBurnTime = 0.5f;

  DS_Firework();
  DS_Firework(const DS_Firework& other) = default;
  ~DS_Firework() override;

  // The target, the positioned generator's resources and two buffer slots; origins
  // stored in the document are dropped.
  void PrepareResources(DS_ParticlesObj* object) override;
  // Advances the origin clock to t, launches and runs rockets and sparks with its
  // step, then writes the quads.
  void Update(float t, DS_ParticlesObj* object) override;
  // Cores and glows into the target's two textures, then "Main" over the scene. Needs
  // the effect: without one the firework is not drawn.
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  // "Main" always lays the sparks over the scene, whatever the blend mode: the slide must
  // hand it the scene drawn so far, or the objects drawn before it are lost under the
  // bare picture.
  bool NeedsSceneInput() const override { return CanComposite(); }
  // Restarts the time line and arms the next launch: a restarted cycle goes straight
  // into its fade-in, so the invisible phase that would arm it never comes.
  void Reset() override;

  // Gives a new rocket its processes; it is to burn `burnTime` seconds.
  virtual void InitRocket(DS_Particle& rocket, float burnTime) = 0;

  // Runs rockets and sparks by dt, lays the sparks due at clock time T and launches
  // the rockets due.
  void Launch(float dt, float T);
  void BuildQuads(DS_ParticlesObj* object);

  // Rate of a life clock that ends after `seconds`: 1 / seconds. A burn time or
  // lifetime of 0 (or one too short for its inverse to be a float) gives the largest
  // float, so the particle ends at its first step that takes time, never on NaN.
  static float LifeRate(float seconds);

  // Rockets per launch with a time line, rockets per half second without.
  MediaParamT<unsigned int> rocketCount;
  // Pixel size of a rocket or spark of size 1.
  MediaParamT<unsigned int> particleSize;
  // Pixels per second.
  UINTSclaleTo<float> rocketSpeed;
  // Glow size / core size.
  UINTSclaleTo<float> glowFactor;
  // Vertical acceleration of rockets in pixels per second squared; the document does
  // not store it.
  UINTSclaleTo<float> gravity;
  // With a time line: launch at the next visible phase.
  bool launchArmed = true;
  // Without a time line: the clock time of the next rocket.
  float nextLaunchTime = 0.0f;

  // The firework's fields of a record, after its header: rocket count, particle size,
  // rocket speed, glow factor, then the origin generator's fields; the textured
  // section follows.
  template <class IO>
  void Fields(IO& io, int version);

private:
  // Copied with the item; no operation of the saver reads them.
  float m_reserved1 = 0.0f;
  float m_reserved2 = 0.0f;
};

class DS_FireworkSimple : public DS_Firework {
public:
  static constexpr int kRecordVersion = 1;

  DS_FireworkSimple() = default;
  DS_FireworkSimple(const DS_FireworkSimple& other) = default;
  ~DS_FireworkSimple() override;

  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header (the version is ignored).
  void Read(DS_IOF_Handle& handle, int version);
  DS_ParticleGenerator* Clone() const override;

  // Life 0, size 1, a life clock ending after the burn time, and a straight flight in
  // a random direction at the rocket speed (bent by the gravity).
  void InitRocket(DS_Particle& rocket, float burnTime) override;
  // A spark starts at the time line's current opacity, loses one unit of opacity and
  // grows by the size factor over its lifetime, flying off in a random direction at a
  // random speed up to the speed setting. The rocket is not read.
  void InitParticle(DS_Particle& spark, const DS_Particle& rocket) override;
};
