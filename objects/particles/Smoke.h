#pragma once
// Smoke: puffs released from the generator's position. Each puff is an origin of the
// origin generator that drifts off in the direction's cone, is pushed sideways by a
// constant wind, grows, turns, fades in quickly and out over its life; it is drawn as
// one textured square. The puffs live in the run-time clone; preparing the clone runs
// five seconds of smoke, so the column already stands when the slide is first shown.
// The smoke emits no particles of its own.

#include <d3dx9.h>

#include "document/ScaledParams.h"
#include "objects/particles/OriginGenerators.h"

class DS_Smoke : public DS_ParticleOriginGenerator {
public:
  static constexpr int kRecordVersion = 1;
  // Wind: stored 0 is -100, 50 is 0, 100 is +100 pixels per second squared.
  static constexpr float kWindScale = 2.0f;
  static constexpr float kWindOffset = -100.0f;
  // The prewarm: this many steps of this many seconds.
  static constexpr int kPrewarmSteps = 100;
  static constexpr float kPrewarmStep = 0.05f;
  // A puff's size factor at birth; it grows by 1 over its life.
  static constexpr float kPuffStartSize = 0.5f;

  DS_Smoke();
  DS_Smoke(const DS_Smoke& other) = default;
  ~DS_Smoke() override;

  // Tag, version, the wind, then the origin generator's fields without their tag.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header (the version is ignored): the wind, then the origin
  // generator's fields.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // The origin clock's step: the puffs run, expire and are spawned; then their quads.
  void Update(float t, DS_ParticlesObj* object) override;
  // The puffs with the first picture on texture stage 0, through the effect when there
  // is one, else alpha-blended onto the layer.
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  // Only the puffs' own quads are drawn, never the scene as a whole: taking the scene
  // would lose the picture, whatever the blend mode.
  bool NeedsSceneInput() const override { return false; }
  // Resources, one buffer slot, then the prewarm.
  void PrepareResources(DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override;
  // A new puff: the base origin with the wind, a small transparent start, and the
  // callbacks that move, grow, fade and turn it; spin rate and start angle at random.
  DS_ParticleOrigin* CreateOrigin() override;

  // One quad per puff into slot 0. Without puffs the slot's count drops to 0, so an
  // empty smoke draws nothing rather than the last puffs again.
  void WritePuffQuads(DS_ParticlesObj* object);

  UINTSclaleTo<float> Wind;
};

// The smoke's drawing, shared with the animations that draw their quads the same way:
// `texture` on stage 0 of the device, then slot 0 of `object` (two triangles per quad)
// with every pass of `effect`, or alpha-blended without one. Nothing is drawn when
// there is neither a picture nor an effect: the fixed-function path would show bare
// squares.
void DrawSlotWithStageTexture(DS_ABRender* layer, DS_ParticlesObj* object, IDirect3DTexture9* texture,
                              ID3DXEffect* effect);
