#pragma once
// Air brushes: strokes painted onto the slide. A stroke is a list of points, each
// drawn as one textured, tinted quad of the brush size. The base keeps the points and
// writes their quads into buffer slot 0 of its particles object; the four families
// give the points life:
//   DS_Bling           sparkles that grow and shrink in endless cycles, drawn in two
//                      tinted layers that turn together;
//   DS_CustomAirBrush  a picture of the user's choice, its frames stepping in time;
//   DS_TwinklingStars  points that flash at random;
//   DS_Aurora          a curtain that sways, stretches and pulses under three sine
//                      oscillators.
// The points are particles whose channels the painting tool stored.

#include <list>

#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "document/TextureSet.h"
#include "objects/particles/Particle.h"
#include "objects/particles/TexParticleGenerator.h"

class DS_AirBrush : public DS_TexParticleGenerator {
public:
  static constexpr int kRecordVersion = 2;
  // Channels a point carries in the record: life, size, alpha, age, angle.
  static constexpr unsigned kPointChannels = 5;

  DS_AirBrush();
  DS_AirBrush(const DS_AirBrush& other);
  ~DS_AirBrush() override;

  // The "DS_AirBrush" section, then the textured generator's.
  void Write(DS_IOF_Virtual& stream) const override;
  // The "DS_AirBrush" section: header, then Read.
  void ReadSection(DS_IOF_Handle& handle);
  void Read(DS_IOF_Handle& handle, int version);
  // A point as the record holds it: the position, then (from version 2) its channels
  // (life, size, alpha, age, angle) with their count.
  struct StoredPoint {
    D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
    unsigned int channelCount = 0;
    float channels[kPointChannels] = {};
  };
  // The level's fields, for reading and writing alike; the points go as stored points.
  template <class IO>
  void Fields(IO& io, int version, std::vector<StoredPoint>& stored);

  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  // The plain stroke does not change over time.
  void Update(float t, DS_ParticlesObj* object) override {}
  void PrepareResources(DS_ParticlesObj* object) override;

  // The painting operation (the authoring tool's; nothing in the saver calls it): a
  // point at `position` with its channels at their construction values; the quads
  // are rebuilt.
  virtual void AddPoint(const D3DXVECTOR3& position, float f1, float f2, float f3, float f4);
  // One quad per point into slot 0 of the run-time object (when there is one), at
  // most as many as the slot holds.
  virtual void BuildQuads();

  MediaParamT<unsigned int> brushSize;
  float aspect = 1.0f;
  std::list<DS_Particle> points;
};

class DS_Bling : public DS_AirBrush {
public:
  static constexpr int kRecordVersion = 2;

  DS_Bling();
  DS_Bling(const DS_Bling& other) = default;

  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Starts a grow-and-shrink cycle on `point`: life and size 0, its processes replaced
  // by the cycle's; returns the cycle length in seconds (0 when both times are 0: such
  // a point has no cycle and stays at size 0).
  float StartCycle(DS_Particle& point) const;
  void PrepareResources(DS_ParticlesObj* object) override;
  void AddPoint(const D3DXVECTOR3& position, float f1, float f2, float f3, float f4) override;
  void Update(float t, DS_ParticlesObj* object) override;
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_Bling(*this); }

  MediaSpeedParam pulseClock;
  TimeParam growTime;
  TimeParam shrinkTime;
  MediaSpeedParam spinClock;
  UINTSclaleTo<float> minimumSize;

private:
  // Runs a fresh cycle ten steps of one random length ahead, so that the points of a
  // stroke start at different phases.
  void StartAtRandomPhase(DS_Particle& point) const;
};

class DS_CustomAirBrush : public DS_AirBrush {
public:
  static constexpr int kRecordVersion = 1;

  DS_CustomAirBrush();
  DS_CustomAirBrush(const DS_CustomAirBrush& other) = default;

  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Takes its own copy of the picture's frames; the quads are built here once.
  void PrepareResources(DS_ParticlesObj* object) override;
  void Update(float t, DS_ParticlesObj* object) override;
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_CustomAirBrush(*this); }

  DS_ImageFileLink pictureLink;
  MediaSpeedParam frameClock;
  DS_TextureSet frames;
};

class DS_TwinklingStars : public DS_AirBrush {
public:
  static constexpr int kRecordVersion = 1;

  DS_TwinklingStars();
  DS_TwinklingStars(const DS_TwinklingStars& other) = default;

  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // A point of random size and opacity that flashes; points read from a document
  // carry no flashing and keep what was stored with them.
  void AddPoint(const D3DXVECTOR3& position, float f1, float f2, float f3, float f4) override;
  void Update(float t, DS_ParticlesObj* object) override;
  DS_ParticleGenerator* Clone() const override { return new DS_TwinklingStars(*this); }

  MediaSpeedParam clock;
};

class DS_Aurora : public DS_AirBrush {
public:
  static constexpr int kRecordVersion = 1;

  DS_Aurora();
  DS_Aurora(const DS_Aurora& other) = default;

  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  void PrepareResources(DS_ParticlesObj* object) override;
  // A point with the given size, opacity and angle; its life holds the stroke value.
  void AddPoint(const D3DXVECTOR3& position, float size, float alpha, float angle, float strokeValue) override;
  void Update(float t, DS_ParticlesObj* object) override;
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  // Every point stretched, pulsed and swayed by the three oscillators.
  void BuildQuads() override;
  DS_ParticleGenerator* Clone() const override { return new DS_Aurora(*this); }

  MediaParamT<unsigned int> height;
  MediaSpeedParam clock1;
  UINTSclaleTo<float> amplitude1;
  UINTSclaleTo<float> period1;
  MediaSpeedParam clock2;
  UINTSclaleTo<float> amplitude2;
  UINTSclaleTo<float> period2;
  MediaSpeedParam clock3;
  UINTSclaleTo<float> amplitude3;
  UINTSclaleTo<float> period3;
  MediaParamT<unsigned int> swayAngle;
};
