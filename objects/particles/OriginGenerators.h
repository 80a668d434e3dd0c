#pragma once
// The three abstract generator levels between the textured generator and the concrete
// particle systems: a generator with one position in the scene (DS_StaticGenerator),
// one with a rectangular region in which its particles appear
// (DS_ParticleRctRgnGenerator), and the positioned generator that spawns short-lived
// moving emission points (DS_ParticleOriginGenerator) from its position at a rate.
// The moving points are DS_ParticleOrigin records owned by the generator's list; the
// callbacks a family attaches move, grow, fade and turn them at every step.

#include <d3dx9math.h>

#include <list>
#include <memory>
#include <vector>

#include "document/CompositeParams.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "document/Utilities.h"
#include "objects/particles/TexParticleGenerator.h"

struct DS_BrownianContext;

// A generator with a fixed position (scene pixels).
class DS_StaticGenerator : public DS_TexParticleGenerator {
public:
  static constexpr int kRecordVersion = 1;

  DS_StaticGenerator();
  DS_StaticGenerator(const DS_StaticGenerator& other) = default;
  ~DS_StaticGenerator() override;

  // The level record "DS_StaticGenerator": header, position, textured section.
  void Write(DS_IOF_Virtual& stream) const override;
  // The "DS_StaticGenerator" record of a family: header (version not tested), then
  // the position and the textured generator's section.
  void ReadSection(DS_IOF_Handle& handle);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version) {
    io.Vector(position);
  }

  // The textured generator's resources; the position is used as read.
  void PrepareResources(DS_ParticlesObj* object) override;

  MediaParamT<D3DXVECTOR3> position;
};

// A generator whose particles appear in a rectangle: corner 0 of the region is its
// minimum corner, corner 3 its maximum.
class DS_ParticleRctRgnGenerator : public DS_TexParticleGenerator {
public:
  static constexpr int kRecordVersion = 1;

  DS_ParticleRctRgnGenerator() = default;
  DS_ParticleRctRgnGenerator(const DS_ParticleRctRgnGenerator& other) = default;
  ~DS_ParticleRctRgnGenerator() override;

  // The level record "DS_ParticleRctRgnGenerator": header, region, textured section.
  void Write(DS_IOF_Virtual& stream) const override;
  void ReadSection(DS_IOF_Handle& handle);
  template <class IO>
  void Fields(IO& io, int version) {
    region.Fields(io);
  }

  void PrepareResources(DS_ParticlesObj* object) override;

  MediaQuad region;

protected:
  // Wandering particles copied from another generator still name that generator's
  // context; a copy that owns a context of its own hands its particles to it.
  void RepointBrownianContext(const DS_BrownianContext* from, const DS_BrownianContext* to);
};

// One moving emission point of an origin generator.
struct DS_ParticleOrigin {
  // A step of an origin: the origin, the step in seconds and the callback's arguments.
  typedef void (*Callback)(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments);
  struct CallbackEntry {
    Callback function;
    std::vector<float> arguments;
  };

  static constexpr float kStartSpeed = -200.0f;
  static constexpr float kStartSize = 100.0f;

  // Seconds left: the timer counts down first, then every callback runs in list order.
  void RunCallbacks(float dt);
  void AddCallback(Callback function, std::vector<float> arguments = {});

  float timer = -1.0f;
  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 velocity{0.0f, kStartSpeed, 0.0f};
  D3DXVECTOR3 acceleration{0.0f, 0.0f, 0.0f};
  // Turned by OriginRotateCallback; families that attach it set them first.
  D3DXVECTOR3 right{1.0f, 0.0f, 0.0f};
  D3DXVECTOR3 up{0.0f, 1.0f, 0.0f};
  float size = kStartSize;
  float alpha = 1.0f;
  std::vector<CallbackEntry> callbacks;
};

// position += velocity dt + acceleration dt^2 / 2, then velocity += acceleration dt.
void OriginMoveCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments);
// {rate}: size += rate dt.
void OriginGrowCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments);
// {rate, threshold}: alpha += rate dt while the timer is above the threshold.
void OriginFadeInCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments);
// {rate, threshold}: alpha -= rate dt while the timer is below the threshold.
void OriginFadeOutCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments);
// {degrees per second}: right and up turn about z by rate dt degrees.
void OriginRotateCallback(DS_ParticleOrigin& origin, float dt, const std::vector<float>& arguments);

// A positioned generator that spawns moving origins at `originRate` per second (times
// the time line's opacity) from its position. It does not run the processes of the
// base lists; the families that use them do so themselves.
class DS_ParticleOriginGenerator : public DS_StaticGenerator {
public:
  static constexpr int kRecordVersion = 1;
  // The most origins alive at once: what one buffer slot of 16-bit indices can draw.
  // Spawning pauses while the list is full.
  static constexpr size_t kMaxOrigins = kMaxDocumentCount;
  // Speed of a new origin, pixels per second.
  static constexpr float kOriginSpeed = 100.0f;

  DS_ParticleOriginGenerator();
  // Copies the settings, the clock, the spawn accumulator and every live origin.
  DS_ParticleOriginGenerator(const DS_ParticleOriginGenerator& other);
  ~DS_ParticleOriginGenerator() override;

  // The level record "DS_ParticleOriginGenerator": header, then WriteOriginFields.
  void Write(DS_IOF_Virtual& stream) const override;
  void ReadSection(DS_IOF_Handle& handle);
  // The level's fields without a header, then the textured section.
  void ReadOriginFields(DS_IOF_Handle& handle);
  void WriteOriginFields(DS_IOF_Virtual& stream) const;
  // The level's fields, which the families' records embed after their own without a
  // header of this level; the textured section follows.
  template <class IO>
  void Fields(IO& io, int version) {
    io.Field(originLife);
    io.UInt(originRate);
    io.UInt(originSize);
    // The spread is not stored and stays 0.
    io.Field(direction);
    io.Field(originClock);
    io.Vector(position);
  }

  // Advances the origin clock to t and spawns and runs the origins with its step.
  void Update(float t, DS_ParticlesObj* object) override;
  // A new origin at the position, living `originLife` seconds, flying off in the
  // direction's cone at kOriginSpeed. Families add their callbacks.
  virtual DS_ParticleOrigin* CreateOrigin();

  // Runs every origin's callbacks and removes the expired ones, then spawns the
  // origins due after dt more seconds.
  void SpawnOrigins(float dt);
  // Runs every origin's callbacks; an origin whose timer is now below 0 is removed.
  void UpdateOrigins(float dt);

  UINTSclaleTo<float> originLife;
  MediaParamT<unsigned int> originRate;
  MediaParamT<unsigned int> originSize;
  MediaSector direction;
  MediaSpeedParam originClock;
  std::list<std::unique_ptr<DS_ParticleOrigin>> timedOrigins;
  float spawnAccumulator = 0.0f;
};
