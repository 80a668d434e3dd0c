#pragma once
// The geometry of a sprite particle system: one sprite record and one quad of
// four DX_V::PCT vertices per sprite, rewritten from the records every frame.
// The geometry serves a sprite item (the clone its run-time object owns; the
// geometry does not own it): it binds the item's sprite count, creating records
// and buffers as the count grows, runs the item's clocks and per-sprite update,
// and writes the quads. It owns the records; they are never removed or moved
// once created.
//
// AnimatedTexture adds the frames of the item's main image and steps through
// them on the item's sprite clock.

#include <list>
#include <vector>

#include "document/ParamBinder.h"
#include "document/Utilities.h"
#include "document/TextureSet.h"
#include "render/Mesh.h"

class DS_ParticleSystemCtrl;
struct DS_SpriteParticle;

template <class V>
class DS_SpriteArrayT : public DS_IndexedMesh<V> {};

class ParticleGeomArray : public DS_SpriteArrayT<DX_V::PCT> {
public:
  // The most sprites one geometry holds: what 16-bit indices address. A larger
  // count in a document gets this many, so it cannot allocate without bound.
  static constexpr unsigned int kMaxSprites = kMaxDocumentCount;
  static constexpr int kVerticesPerSprite = 4;

  ParticleGeomArray();
  ParticleGeomArray(const ParticleGeomArray&) = delete;
  ParticleGeomArray& operator=(const ParticleGeomArray&) = delete;
  ~ParticleGeomArray();

  // Binds the item's sprite count to OnCountChanged and runs it once with the
  // current count, which creates the sprites. `item` must be set.
  void BindCountParam();
  // Re-creates the buffers for `count` quads and adds records (InitSprite,
  // InitTwinkle, the item's InitParticle) until there are that many. 0 changes
  // nothing; a decrease keeps the surplus records, which are updated but not
  // drawn.
  void OnCountChanged(unsigned int count);

  // The item's control clock and sprite clock at local time t, then its
  // UpdateParticle on every record in list order.
  void Update(float t);
  // Writes the first sprite-count records into the vertex buffer, when the
  // buffer holds exactly that many quads.
  void WriteQuads(const DS_ParticleSystemCtrl& item);
  // The vertices of `quads` sprites of the list (fewer when the list is
  // shorter); how WriteQuads fills the locked buffer. Advances the strip frame.
  void WriteVertices(const DS_ParticleSystemCtrl& item, DX_V::PCT* vertices, unsigned int quads);
  // Vertex 0 (u0, v1), 1 (u0, v0), 2 (u1, v1), 3 (u1, v0) of quad `quad`.
  static void SetQuadUV(DX_V::PCT* vertices, float u0, float u1, float v0, float v1, unsigned int quad);

  // The sprite count the geometry works with: the item's, capped at
  // kMaxSprites.
  static unsigned int CappedCount(const DS_ParticleSystemCtrl& item);
  // Quads the vertex buffer holds.
  unsigned int GetQuadCapacity() const;
  // Whether the vertices were written since the buffer was made.
  bool HasWrittenQuads() const { return m_quadsWritten; }
  int GetStripFrame() const { return m_stripFrame; }
  float GetStripSwitchTime() const { return m_stripSwitchTime; }

  DS_ParticleSystemCtrl* item = nullptr;
  DS_FunLightCtrlList binders;
  std::list<DS_SpriteParticle*> sprites;

private:
  // The strip frame all sprites show, and the accumulated control time it was
  // set at.
  int m_stripFrame = 0;
  float m_stripSwitchTime = 0.0f;
  bool m_quadsWritten = false;
};

template <class Geometry>
class AnimatedTexture : public Geometry {
public:
  // Copies the frames (references added), durations and timing of `set`; null:
  // none.
  void LoadFrames(const DS_TextureSet* set) {
    frameTextures.clear();
    frameDurations.clear();
    if (!set) return;
    frameTextures = set->frames;
    frameDurations = set->durations;
    setWidth = set->width;
    setHeight = set->height;
    setScale = set->scale;
    setSwitchTime = set->lastSwitchTime;
    setFrameIndex = set->frameIndex;
  }

  // Advances to the next frame once the current frame's duration has passed
  // (not strict) at sprite-clock time `time`; true when the frame changed. A
  // still picture (no durations) never changes.
  bool StepFrame(float time) {
    if (frameDurations.empty()) return false;
    if (frameIndex >= frameDurations.size()) frameIndex = 0;
    if (time - lastSwitchTime >= frameDurations[frameIndex]) {
      lastSwitchTime = time;
      frameIndex = static_cast<unsigned int>((frameIndex + 1) % frameDurations.size());
      return true;
    }
    return false;
  }

  // The frame at the index; null when there is none (no frames, or more
  // durations than frames).
  IDirect3DTexture9* GetCurrentTexture() const {
    return frameIndex < frameTextures.size() ? frameTextures[frameIndex].Get() : nullptr;
  }

  std::vector<DS_TextureHolder> frameTextures;
  std::vector<float> frameDurations;
  int setWidth = 0;
  int setHeight = 0;
  float setScale = 1.0f;
  float setSwitchTime = 0.0f;
  unsigned int setFrameIndex = 0;
  unsigned int frameIndex = 0;
  float lastSwitchTime = 0.0f;
};
