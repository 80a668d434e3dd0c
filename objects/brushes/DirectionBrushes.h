#pragma once
// The brushes that act along one direction of the picture. DS_DirectionBased adds a
// direction angle (kept as a cached unit vector that follows every change of the
// angle) and one scaled extent whose role each brush gives. The move brush shifts the
// masked picture back and forth along the direction; the waterfall lets bands of
// colour slide through its region over a scrolling noise; the cloud brush lets a
// cloud picture drift through its region, coloured between two colours.

#include <d3dx9.h>

#include <vector>

#include "document/FileLink.h"
#include "document/ParamBinder.h"
#include "document/TextureSet.h"
#include "objects/brushes/EffectBrush.h"

class DS_DirectionBased : public DS_FX_Constructor {
public:
  static const int kRecordVersion = 1;

  DS_DirectionBased();
  // Binds its own binder and computes the direction anew.
  DS_DirectionBased(const DS_DirectionBased& other);
  DS_DirectionBased& operator=(const DS_DirectionBased&) = delete;

  // direction := (1, 0, 0, 0) turned by 360 - angle degrees about z: (cos a, -sin a).
  void UpdateDirection();
  const D3DXVECTOR4& GetDirection() const { return m_direction; }

  // The whole "DS_DirectionBased" level, header included, then the
  // "DS_FX_Constructor" level: how the readers of the direction brushes end.
  void ReadDirectionSection(DS_IOF_Handle& handle);
  void WriteDirectionLevel(DS_IOF_Virtual& stream) const;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // How far the effect reaches along the direction; each brush sets its scale.
  UINTSclaleTo<float> extent;
  // Degrees.
  MediaParamT<unsigned int> angle;

protected:
  D3DXVECTOR4 m_direction;

private:
  void BindDirection();

  // Last member: its binder leaves the angle before the angle dies.
  DS_FunLightCtrlList m_binders;
};

// Shifts the masked picture along the direction, by a sine or by noise, between the
// first amplitude against the direction and the second towards it.
class DS_MoveFX : public DS_DirectionBased {
public:
  static const int kRecordVersion = 2;
  static const int kFirstVersionWithSecondAmplitude = 2;
  static const int kDefaultEffectId = 91;
  static const int kNoiseMotion = 1;

  DS_MoveFX();
  DS_MoveFX(const DS_MoveFX& other) = default;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  void Update(float localTime) override;
  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_MoveFX(*this); }

  const float* GetDisplacement() const { return m_displacement; }

  MediaParamT<int> motionMode;
  UINTSclaleTo<float> secondAmplitude;

private:
  float m_displacement[2] = {0.0f, 0.0f};
};

// Bands of one colour that slide along the direction through the region one after
// another, fading in and out, drawn over an optional scrolling noise distortion.
class DS_WaterfallFX : public DS_DirectionBased {
public:
  static const int kRecordVersion = 1;
  // Each band is a draw of the region: a count from a document beyond this is held
  // here rather than allocating and drawing without bound.
  static const unsigned kMaxWaves = 1024;

  struct Wave {
    float x = 0.0f;
    float y = 0.0f;
    float alpha = 0.0f;
  };

  DS_WaterfallFX();
  DS_WaterfallFX(const DS_WaterfallFX& other) = default;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // The bands, the noise picture, effect and mask, then the region grid.
  void Prepare(DS_MaskHolder* mask) override;
  void Update(float localTime) override;
  void Render(DS_ABRender* layer) override;
  // Only the region is drawn, in FX mode too.
  bool RedrawsScene() const override { return false; }
  DS_FX_Constructor* Clone() override { return new DS_WaterfallFX(*this); }

  const std::vector<Wave>& GetWaves() const { return m_waves; }
  IDirect3DTexture9* GetNoiseTexture() const { return m_noiseTexture.Get(); }
  const float* GetNoiseShift() const { return m_noiseShift; }

  UINTSclaleTo<float> waveOpacity;
  MediaParamT<unsigned int> waveCount;
  UINTSclaleTo<float> noiseAmplitude;
  // Stored and copied; no drawing code reads it.
  UINTSclaleTo<float> thirdValue;
  UINTSclaleTo<float> threshold;
  DS_ImageFileLink noiseImage;
  // 0x00BBGGRR.
  MediaParamT<unsigned long> waveColour;
  MediaParamT<int> hidden;

private:
  std::vector<Wave> m_waves;
  DS_TextureHolder m_noiseTexture;
  float m_noiseShift[2] = {0.0f, 0.0f};
};

// The six texture-space parameters of the cloud brush.
struct DS_CloudTransform {
  DS_CloudTransform();

  // The six values, in the cloud brush's level.
  template <class IO>
  void Fields(IO& io);

  UINTSclaleTo<float> depth;
  UINTSclaleTo<float> height;
  UINTSclaleTo<float> scroll;
  MediaParamT<int> flip;
  // Stored and copied; not read.
  UINTSclaleTo<float> value5;
  UINTSclaleTo<float> value6;
};

// A cloud picture drifting along the direction through the region, thresholded and
// coloured between two colours. The region's own texture coordinates address the
// cloud; the mask is reached through a shift that maps them to the picture.
class DS_CloudFX : public DS_DirectionBased {
public:
  static const int kRecordVersion = 1;

  DS_CloudFX();
  DS_CloudFX(const DS_CloudFX& other) = default;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // A copy of the cloud picture's frames, effect and mask, then the region grid.
  void Prepare(DS_MaskHolder* mask) override;
  // The region with texture coordinates (0, 0) to (1, 1), and the mask shift.
  void BuildMesh() override;
  void Render(DS_ABRender* layer) override;
  // Its "Background" is the cloud picture, never the scene: in FX mode the layer quad
  // shows clouds, not the picture.
  bool RedrawsScene() const override { return false; }
  DS_FX_Constructor* Clone() override { return new DS_CloudFX(*this); }

  const DS_TextureSet& GetCloudFrames() const { return m_cloudFrames; }
  const float* GetMaskShift() const { return m_maskShift; }

  // 0x00BBGGRR.
  MediaParamT<unsigned long> colour1;
  MediaParamT<unsigned long> colour2;
  DS_ImageFileLink cloudImage;
  // Stored and copied; no drawing code reads it.
  DS_ImageFileLink secondImage;
  UINTSclaleTo<float> threshold;
  UINTSclaleTo<float> density;
  DS_CloudTransform transform;

private:
  DS_TextureSet m_cloudFrames;
  float m_maskShift[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};
