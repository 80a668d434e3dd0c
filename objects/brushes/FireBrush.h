#pragma once
// The fire brush: rising flames inside its region, from a pattern picture and a noise
// picture that scroll upward at three speeds, coloured from the base colour (weakest
// fire) to the hot colour (strongest). It draws its own 8 x 8 grid over the region,
// whose texture space spans the region itself. The flame layer embeds one, reads it as
// a section of its own record, and draws it on its own band with the fire's noise
// parameters.

#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "document/TextureSet.h"
#include "objects/brushes/EffectBrush.h"

class DS_FireFX : public DS_FX_Constructor {
public:
  // Version 2 carried the region and the base level's reserved value in this level;
  // version 1 had no fields of its own.
  static const int kRecordVersion = 3;
  static const int kDefaultEffectId = 92;
  static const int kDefaultPatternId = 93;
  static const int kDefaultNoiseId = 8;
  // Cells of the fire's grid each way.
  static const int kGridCells = 8;

  DS_FireFX();
  // Shares the textures (and, through the base, effect, mask and grid).
  DS_FireFX(const DS_FireFX& other) = default;
  // The base level (time line settings included), the colours, the reserved value,
  // both links, the scaled values with notification, the textures shared.
  DS_FireFX& operator=(const DS_FireFX& other);

  // A whole "DS_FireFX" section (class name not compared, version, fields): how the
  // flame layer reads its fire. The caller owns the result; the stream tells failure.
  static DS_FireFX* CreateFromSection(DS_IOF_Handle& handle);

  // The "DS_FireFX" fields after the header, then the "DS_FX_Constructor" level.
  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The "DS_FireFX" level (version 3 layout), then the "DS_FX_Constructor" level.
  void WriteLevel(DS_IOF_Virtual& stream) const;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // Effect and mask, the current frames of both pictures, then the 8 x 8 grid.
  void Prepare(DS_MaskHolder* mask) override;
  // The grid over the region, u from 0 to 1 / width factor, v from 0 to 1.
  void BuildMesh() override;
  void Render(DS_ABRender* layer) override;
  // Only the region's grid is drawn, in FX mode too.
  bool RedrawsScene() const override { return false; }
  DS_FX_Constructor* Clone() override { return new DS_FireFX(*this); }

  // The parameters that move the flames: the transforms of `mesh`, both pictures and
  // the three scroll offsets.
  void SetNoiseParameters(const DS_Frame& mesh);

  // The horizontal texture range of the grid.
  float TextureRange() const;

  IDirect3DTexture9* GetPatternTexture() const { return m_patternTexture.Get(); }
  IDirect3DTexture9* GetNoiseTexture() const { return m_noiseTexture.Get(); }

  // 0x00BBGGRR.
  MediaParamT<unsigned long> hotColor;
  MediaParamT<unsigned long> baseColor;
  // Stored and copied; no drawing code reads it.
  MediaParamT<int> reservedValue;
  DS_ImageFileLink patternImage;
  DS_ImageFileLink noiseImage;
  UINTSclaleTo<float> density;
  UINTSclaleTo<float> brightness;
  UINTSclaleTo<float> widthFactor;

private:
  DS_TextureHolder m_patternTexture;
  DS_TextureHolder m_noiseTexture;
};
