#pragma once
// The wave and light brushes. DS_WavesFX runs straight sine waves across its masked
// region in a chosen direction; DS_LightFX brightens the region with a pulsing,
// blinking or flickering light; DS_LightFX_II does the same with a colour and one of
// four blend modes. Their work lies in the effect parameters they compute each frame
// from the brush clock and the time line's opacity.

#include <d3dx9math.h>

#include "document/MediaParam.h"
#include "document/ParamBinder.h"
#include "document/ScaledParams.h"
#include "objects/brushes/EffectBrush.h"

class DS_WavesFX : public DS_FX_Constructor {
public:
  static const int kRecordVersion = 1;
  static const int kDefaultEffectId = 77;

  DS_WavesFX();
  // Binds anew and recomputes the direction vectors: only clones are drawn, and
  // reading a document does not recompute them.
  DS_WavesFX(const DS_WavesFX& other);
  DS_WavesFX& operator=(const DS_WavesFX&) = delete;

  // The "DS_WavesFX" fields after the header, then the "DS_FX_Constructor" level.
  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_WavesFX(*this); }

  // The direction of the waves from the angle, and the second vector from the wave
  // mode; called whenever either parameter changes with notification.
  void UpdateDirection();
  const D3DXVECTOR4& GetDirection() const { return m_direction; }
  const D3DXVECTOR4& GetNormal() const { return m_normal; }

  UINTSclaleTo<float> amplitude;
  // Wave length; the effect's "frequency" is its inverse.
  UINTSclaleTo<float> period;
  // Degrees.
  MediaParamT<unsigned int> angle;
  // 0: the second vector is the direction turned by 90 degrees; else its opposite.
  MediaParamT<int> waveMode;

private:
  void BindDirection();

  D3DXVECTOR4 m_direction;
  D3DXVECTOR4 m_normal;
  // Declared after the parameters it observes: its binders leave them first.
  DS_FunLightCtrlList m_binders;
};

class DS_LightFX : public DS_FX_Constructor {
public:
  static const int kRecordVersion = 1;
  static const int kDefaultEffectId = 76;
  enum LightMode { kPulse = 0, kBlink = 1, kFlicker = 2 };

  DS_LightFX();
  DS_LightFX(const DS_LightFX& other) = default;
  DS_LightFX& operator=(const DS_LightFX&) = delete;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_LightFX(*this); }

  // The light's strength factor at brush time t: blink for mode 1, flicker for 2
  // and above, pulse for any other value.
  static float LightFactor(int mode, float t);

  UINTSclaleTo<float> intensity;
  MediaParamT<int> lightMode;
};

class DS_LightFX_II : public DS_FX_Constructor {
public:
  static const int kRecordVersion = 1;
  // The effect of DS_LightFX, with its blend techniques.
  static const int kDefaultEffectId = 76;
  enum LightMode { kSteady = 0, kPulse = 1, kBlink = 2, kFlicker = 3 };

  DS_LightFX_II();
  DS_LightFX_II(const DS_LightFX_II& other) = default;
  DS_LightFX_II& operator=(const DS_LightFX_II&) = delete;

  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // Sets neither "Mask", "Background" nor "Scale": the blend techniques read the
  // mask and the scene as "Texture2" and "Texture1".
  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_LightFX_II(*this); }

  // Steady (1) for mode 0 and any value outside 1..3.
  static float LightFactor(int mode, float t);
  // The technique of a blend value, or null for a value outside 0..3.
  static const char* BlendTechnique(int blend);

  UINTSclaleTo<float> intensity;
  MediaParamT<int> lightMode;
  MediaParamT<int> blend;
  // 0x00BBGGRR: red in the lowest byte.
  MediaParamT<unsigned long> colour;
};
