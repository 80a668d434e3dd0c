#pragma once
// Animated sprites: a picture sequence (the first texture set) stepped frame by frame
// by a frame clock, drawn one quad per sprite from buffer slot 0 of the generator's
// particles object. DS_StaticAnimation plays it in one fixed quadrilateral through its
// effect; DS_BrownAnimation lets a number of copies wander at random inside its
// rectangle; DS_PathAnimtion walks one sprite back and forth along a polyline, turned
// or mirrored to face its way. DS_PathGenerator is the level that owns the polyline.

#include <d3dx9math.h>

#include <vector>

#include "document/MediaParam.h"
#include "document/Utilities.h"
#include "document/ScaledParams.h"
#include "objects/particles/OriginGenerators.h"
#include "objects/particles/Particle.h"
#include "objects/particles/PathPoint.h"
#include "objects/particles/Plant.h"

class DS_StaticAnimation : public DS_SingleRectGN {
public:
  static constexpr int kRecordVersion = 1;
  // Default effect: resource 116 of the common module.
  static constexpr unsigned kDefaultEffectId = 116;
  // The frame clock: a stored 100 plays the sequence at its own frame times.
  static constexpr float kFrameSpeedScale = 0.01f;

  DS_StaticAnimation();
  DS_StaticAnimation(const DS_StaticAnimation& other) = default;
  ~DS_StaticAnimation() override;

  // Tag, version, the frame speed and direction, then the "DS_SingleRectGN" record.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header (the version is ignored).
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Advances the frame clock and steps the first texture set forward or backward.
  void Update(float t, DS_ParticlesObj* object) override;
  // The region quad through the effect's "Blend_Normal" with the current frame. The
  // tint and the time line's opacity reach the picture only through the effect, so
  // without one nothing is drawn.
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override;

  // The effect's "Color": the first colour's red, green and blue, and its opacity
  // times the time line's.
  D3DXVECTOR4 EffectColour() const;

  MediaSpeedParam FrameSpeed;
  MediaParamT<int> Backward;
};

class DS_BrownAnimation : public DS_ParticleRctRgnGenerator {
public:
  static constexpr int kRecordVersion = 2;
  // Records from this version on carry the frame speed.
  static constexpr int kFrameSpeedVersion = 2;
  static constexpr unsigned kDefaultFrameSpeed = 100;
  // The most sprites kept: what one buffer slot can draw. A larger stored count must
  // not become an unbounded allocation.
  static constexpr unsigned kMaxSprites = kMaxDocumentCount;

  DS_BrownAnimation();
  // Copies the settings, the clocks and the sprites; the copy's wandering context and
  // its sprites refer to the copy's own region and settings.
  DS_BrownAnimation(const DS_BrownAnimation& other);
  ~DS_BrownAnimation() override;

  // Tag, version, the six settings, then the "DS_ParticleRctRgnGenerator" record.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header; version 1 has no frame speed and keeps 100.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Frame clock, the wandering (the base step), the sprite count, then the quads.
  void Update(float t, DS_ParticlesObj* object) override;
  // The smoke's drawing: the current frame on stage 0, slot 0 through the effect.
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  // Only the sprites' own quads are drawn, never the scene as a whole: taking the
  // scene would lose the picture, whatever the blend mode.
  bool NeedsSceneInput() const override { return false; }
  // The region generator's resources, no sprites yet, one buffer slot.
  void PrepareResources(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override;

  // Cuts the sprites to SpriteCount (the first ones stay) or appends new wanderers at
  // random points of the region.
  void KeepSpriteCount();
  // One quad per sprite into slot 0, SpriteSize times the first texture set's size.
  void WriteSpriteQuads(DS_ParticlesObj* object);

  const DS_BrownianContext& BrownianContext() const { return m_context; }

  MediaParamT<unsigned int> SpriteCount;
  UINTSclaleTo<float> SpriteSize;
  UINTSclaleTo<float> WanderSpeed;
  UINTSclaleTo<float> RetargetPeriod;
  UINTSclaleTo<float> SteerTime;
  MediaSpeedParam FrameSpeed;

private:
  void PointContextAtOwnMembers();

  DS_BrownianContext m_context;
};

// A textured generator that owns a polyline of shared path points.
class DS_PathGenerator : public DS_TexParticleGenerator {
public:
  static constexpr int kRecordVersion = 1;

  DS_PathGenerator() = default;
  DS_PathGenerator(const DS_PathGenerator& other) = default;
  ~DS_PathGenerator() override;

  // The level record "DS_PathGenerator": header, point list, textured section.
  void Write(DS_IOF_Virtual& stream) const override;
  // The level record (class name and version not tested); the points are appended.
  void ReadSection(DS_IOF_Handle& handle);

  // Position of point i; a point without a position parameter stands at the origin.
  D3DXVECTOR3 PointAt(size_t i) const;

  std::vector<DS_PathPoint> path;
};

class DS_PathAnimtion : public DS_PathGenerator {
public:
  static constexpr int kRecordVersion = 2;
  static constexpr int kFrameSpeedVersion = 2;
  static constexpr unsigned kDefaultFrameSpeed = 100;
  // Orientation values.
  enum Orientation { kUpright = 0, kAlongPath = 1, kMirrorUnlessRight = 2, kMirrorWhileDown = 3 };

  // Where the sprite stands on the path.
  struct PathCursor {
    float distance = 0.0f;  // travelled along the current segment
    size_t point = 0;       // the segment's start point
    bool backward = false;
  };

  DS_PathAnimtion();
  DS_PathAnimtion(const DS_PathAnimtion& other) = default;
  ~DS_PathAnimtion() override;

  // Tag, version, the six settings, then the "DS_PathGenerator" record.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header; version 1 has no frame speed and keeps 100.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Travel and frame clocks, the frame step, then the sprite's quad.
  void Update(float t, DS_ParticlesObj* object) override;
  // The smoke's drawing: the current frame on stage 0, slot 0 through the effect.
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  // Only the sprite's own quad is drawn, never the scene as a whole: taking the scene
  // would lose the picture, whatever the blend mode.
  bool NeedsSceneInput() const override { return false; }
  // The sprite back at the first point, going forward; one buffer slot.
  void PrepareResources(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override;

  // Moves the sprite `step` pixels along the path, reversing at its ends.
  void FollowPath(float step);
  // Follows the path by the travel clock's step and writes the sprite's quad.
  void WriteSpriteQuad(DS_ParticlesObj* object);

  MediaSpeedParam MoveSpeed;
  UINTSclaleTo<float> SpriteSize;
  MediaParamT<int> Orientation;
  MediaParamT<int> FlipV;
  MediaParamT<int> FlipH;
  MediaSpeedParam FrameSpeed;

  // Run-time state, set by PrepareResources.
  D3DXVECTOR3 previousPosition{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 currentPosition{0.0f, 0.0f, 0.0f};
  PathCursor cursor;

private:
  // The point after the cursor's in the direction of travel.
  size_t NextPoint() const;
  void AdvanceCursor();

  // The last direction of travel, for a frame in which the sprite did not move.
  D3DXVECTOR3 m_heading{1.0f, 0.0f, 0.0f};
};
