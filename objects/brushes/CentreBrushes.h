#pragma once
// The brushes that act around a point of the picture. DS_CentralBased adds the centre
// in scene pixels, by default the middle of the scene as it is when the item is made.
// The expand brush swells or shrinks the masked picture around the centre; the
// radial-wave brush sends circular waves out from or into it; the rotation brush
// turns the picture about it, optionally along an ellipse; the bend brush bends the
// picture about it by a swinging angle.

#include <d3dx9.h>

#include "objects/brushes/EffectBrush.h"

class DS_CentralBased : public DS_FX_Constructor {
public:
  static const int kRecordVersion = 1;

  DS_CentralBased();
  DS_CentralBased(const DS_CentralBased& other) = default;
  DS_CentralBased& operator=(const DS_CentralBased&) = delete;

  // The whole "DS_CentralBased" level, header included, then the "DS_FX_Constructor"
  // level: how the readers of the centre brushes end.
  void ReadCentreSection(DS_IOF_Handle& handle);
  void WriteCentreLevel(DS_IOF_Virtual& stream) const;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // The common parameters with a four-value "Scale", then "Center".
  void SetCentreParameters(DS_ABRender* layer);

  // Scene pixels.
  MediaParamT<D3DXVECTOR3> centre;

protected:
  // The centre as a fraction of the scene size.
  void CentreFraction(float out[2]) const;
};

// Swells and shrinks the picture around the centre, swinging between the outward and
// the inward amount by a triangle wave or a sine.
class DS_ExpandFX : public DS_CentralBased {
public:
  static const int kRecordVersion = 1;
  static const int kDefaultEffectId = 102;
  static const int kTriangleWave = 0;

  DS_ExpandFX();
  DS_ExpandFX(const DS_ExpandFX& other) = default;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  void Update(float localTime) override;
  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_ExpandFX(*this); }

  float GetAmount() const { return m_amount; }

  UINTSclaleTo<float> outwardAmount;
  UINTSclaleTo<float> inwardAmount;
  MediaParamT<int> waveForm;

private:
  float m_amount = 0.0f;
};

// Circular waves running out from the centre or into it.
class DS_RadialWaveFX : public DS_CentralBased {
public:
  static const int kRecordVersion = 2;
  static const int kFirstVersionWithFields = 2;
  static const int kDefaultEffectId = 103;

  DS_RadialWaveFX();
  DS_RadialWaveFX(const DS_RadialWaveFX& other) = default;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_RadialWaveFX(*this); }

  UINTSclaleTo<float> amplitude;
  UINTSclaleTo<float> period;
  UINTSclaleTo<float> backgroundZoom;
  MediaParamT<int> outward;
};

// Turns the picture about the centre, on a circle or along an ellipse of the given
// axis ratio and orientation.
class DS_RotationFX : public DS_CentralBased {
public:
  static const int kRecordVersion = 1;

  DS_RotationFX();
  DS_RotationFX(const DS_RotationFX& other) = default;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  void Update(float localTime) override;
  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_RotationFX(*this); }

  float GetRotation() const { return m_rotation; }

  UINTSclaleTo<float> axisRatio;
  // Orientation of the ellipse in degrees.
  MediaParamT<unsigned int> angle;
  MediaParamT<int> reverse;

private:
  float m_rotation = 0.0f;
};

// Bends the picture about the centre by an angle that swings between two amounts,
// optionally modulated by noise. Draws its own region.
class DS_BendFX : public DS_CentralBased {
public:
  static const int kRecordVersion = 1;
  static const int kNoiseBend = 1;

  DS_BendFX();
  DS_BendFX(const DS_BendFX& other) = default;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // Effect and mask, then the region grid.
  void Prepare(DS_MaskHolder* mask) override;
  void Update(float localTime) override;
  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_BendFX(*this); }

  float GetBend() const { return m_bend; }

  UINTSclaleTo<float> amount1;
  UINTSclaleTo<float> amount2;
  UINTSclaleTo<float> bendStrength;
  MediaParamT<int> bendMode;

private:
  float m_bend = 0.0f;
};
