#pragma once
// The document item of every particle system: its own clock, the lifetime, emission
// rate, size and speed settings, the emission origins and the live particles. The
// families (air brushes, falling stars, fireworks, lightning, rays, smoke, plants,
// sprite animations) derive from it through the textured generator. Its run-time
// object is a DS_ParticlesObj, which owns a clone of the item, gives it its buffers
// and forwards the frame's update and drawing to it.

#include <list>

#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "document/Utilities.h"
#include "objects/particles/Particle.h"
#include "render/ObjectModel.h"

class DS_ABRender;
class DS_ParticlesObj;

// A rate per second and the time of the last emission. The count due at time t is
// rate x (t - last time), truncated; the leftover fraction is dropped.
class PerSecondCounter : public UINTSclaleTo<float> {
public:
  // The largest count one call hands out: a rate or a time gap from a document must
  // not become an unbounded allocation.
  static constexpr int kMaxCount = int(kMaxDocumentCount);

  PerSecondCounter() = default;
  PerSecondCounter(unsigned int value, float scale, float offset) : UINTSclaleTo<float>(value, scale, offset) {}

  // The truncated count due at t; when it is not 0 the last time moves to t (also
  // backwards, for a t before it). At most kMaxCount in size either way.
  int TakeCount(float t);

  float lastTime = 0.0f;
};

// A rate from which its owner draws a random count: any count from 0 to twice the
// truncated product, with the product as its mean.
class PerSecondCounterRnd : public PerSecondCounter {
public:
  PerSecondCounterRnd() = default;
  PerSecondCounterRnd(unsigned int value, float scale, float offset) : PerSecondCounter(value, scale, offset) {}

  // rand() mod (2 x truncated product + 1); the last time moves as in TakeCount. A
  // time before the last one gives 0.
  int TakeRandomCount(float t);
};

class DS_ParticleGenerator : public DS_ABObj_Constructor {
public:
  static constexpr int kRecordVersion = 3;
  // The most particles a generator keeps alive: what one buffer slot of 16-bit indices
  // can draw. Trail emission stops while the list is full.
  static constexpr size_t kMaxParticles = kMaxDocumentCount;
  // Defaults of records older than version 3.
  static constexpr unsigned kOldLifetime = 20;
  static constexpr unsigned kOldEmissionRate = 30;

  DS_ParticleGenerator();
  // Copies every setting (derived values recomputed), the clock's state, the last
  // emission time and both lists with their processes.
  DS_ParticleGenerator(const DS_ParticleGenerator& other);
  DS_ParticleGenerator& operator=(const DS_ParticleGenerator&) = delete;
  ~DS_ParticleGenerator() override;

  void Write(DS_IOF_Virtual& stream) const override;
  // A new DS_ParticlesObj owning Clone(); its constructor prepares the clone.
  DS_ABObj* CreateObject() override;

  // The "DS_ParticleGenerator" section: header, then Read.
  void ReadSection(DS_IOF_Handle& handle);
  // The section's fields after its header, then the item's base record.
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike; the origins go as their points.
  template <class IO>
  void Fields(IO& io, int version, std::vector<D3DXVECTOR3>& originPoints);

  virtual void Render(DS_ABRender* layer, DS_ParticlesObj* object) = 0;
  // Advances the clock to the object's local time t and runs the processes of the
  // origins and of the particles with the clock's step.
  virtual void Update(float t, DS_ParticlesObj* object);
  virtual void PrepareResources(DS_ParticlesObj* object) = 0;
  virtual bool HitTest(int x, int y) { return false; }
  virtual bool NeedsSceneInput() const { return false; }
  // The default start of a trail particle: the source's opacity, an age limit of the
  // lifetime, a fade to transparent over it and a random direction at a random speed
  // up to the speed setting.
  virtual void InitParticle(DS_Particle& particle, const DS_Particle& source);
  virtual DS_ParticleGenerator* Clone() const = 0;

  // Runs every particle's processes with dt, erasing each particle whose processes
  // asked for its end before going on with the next.
  static void RunProcesses(std::list<DS_Particle>& list, float dt);
  // Lays the trail particles due at time t (the rate's time base) along the path each
  // origin moved since the last emission, then marks every origin's position.
  void EmitTrail(float t);

  UINTSclaleTo<float> lifetime;
  PerSecondCounter emissionRate;
  UINTSclaleTo<float> sizeFactor;
  UINTSclaleTo<float> speed;
  MediaParamT<int> emit;
  MediaSpeedParam clock;
  std::list<DS_Particle> origins;
  std::list<DS_Particle> particles;
};
