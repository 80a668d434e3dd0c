#pragma once
// An explosion: one quad at a fixed position drawn through an effect that turns
// two noise textures and a colour gradient into a burst of fire. The burst grows
// and brightens while its time line fades in, burns while visible and dissolves
// while it fades out. The noise pattern drifts along a direction and jumps to a
// new offset every whole second of the control clock; the offsets come from a
// sequence seeded with the item's seed, so an explosion replays the same pattern
// each time it appears (unless its random flag asks for fresh offsets).
//
// Renewing the offsets re-seeds the process-wide rand() sequence, which every
// object drawing after it then continues.

#include "objects/sprites/FXParticleCtrl.h"

class DS_ExplosionConstructor : public DS_StatBaseFXCtrl {
public:
  static const int kRecordVersion = 2;
  // Version 1 kept the appearance cycle in five durations of its own.
  static const int kFirstVersionWithoutDurations = 2;
  static const int kLegacyDurationCount = 5;
  // What version 1 records kept of the appearance cycle, in their own fields.
  typedef unsigned int LegacyDurations[kLegacyDurationCount];
  static const unsigned int kDefaultSpriteSize = 250;
  // The control clock runs at twice real time.
  static const unsigned int kControlSpeed = 100;

  DS_ExplosionConstructor();
  // Copies every field, the drift clock's times, the offsets and the renewal
  // state; the textures are shared (references added).
  DS_ExplosionConstructor(const DS_ExplosionConstructor& other) = default;

  // Header, noise values, drift, seed, random flag, second colour, then the
  // "DS_StatBaseFXCtrl" section (the latest layout).
  void Write(DS_IOF_Virtual& stream) const override;
  // Version 1 records move their durations into the time line.
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version, LegacyDurations& durations);
  DS_ParticleSystemCtrl* Clone() const override;

  // Drift clock, phase handling, position, growth during the fade-in.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
  // Restarts the noise sequence and the drift; unlike the other items it leaves
  // the time line and the control clock running.
  void Reset() override;
  // The effect, the gradient (main image) and noise (second image) textures, and
  // the first noise offset.
  void Prepare() override;
  // Technique "Main" and its parameters for the frame; the quad is always drawn.
  bool SetupEffect(DS_ABRender* layer, ParticleGeomArray* geometry) override;

  // Draws the next noise offset: fresh when the random flag is set, otherwise the
  // k-th pair after srand(seed) on the k-th renewal since the sequence restarted.
  void RenewNoise();

  const D3DXVECTOR2& GetCurrentOffset() const { return m_currentOffset; }
  const D3DXVECTOR2& GetNextOffset() const { return m_nextOffset; }
  float GetLastWholeSecond() const { return m_lastWholeSecond; }
  int GetDrawCount() const { return m_drawCount; }
  IDirect3DTexture9* GetGradientTexture() const { return m_gradientTexture.Get(); }
  IDirect3DTexture9* GetNoiseTexture() const { return m_noiseTexture.Get(); }

  UINTSclaleTo<float> noiseA;
  UINTSclaleTo<float> noiseB;
  UINTSclaleTo<float> noiseC;
  MediaDirection driftDirection;
  MediaSpeedParam driftClock;
  MediaParamT<unsigned int> seed;
  // Non-zero: fresh offsets instead of the seeded sequence.
  MediaParamT<int> randomFlag;
  // Red in the low byte.
  MediaColor secondColour;

private:
  // The sequence and the drift start again.
  void RestartNoise();

  DS_ComHolder<IDirect3DTexture9> m_gradientTexture;
  DS_ComHolder<IDirect3DTexture9> m_noiseTexture;
  D3DXVECTOR2 m_currentOffset{0.0f, 0.0f};
  D3DXVECTOR2 m_nextOffset{0.0f, 0.0f};
  float m_lastWholeSecond = 0.0f;
  // Pairs drawn by the next seeded renewal.
  int m_drawCount = 1;
};
