#pragma once
// The lake layer: the lower part of the slide picture becomes water. The band just
// above the water line is mirrored into the band below it, the mirror image is shifted
// per pixel by a bump map whose perturbation turns with time (fixed-function bump
// environment mapping), and two tinted, alpha-graded quads darken the water and soften
// the water line. It draws straight into the current target and needs no scene
// capture. The bump map is the document's texture stored under the layer's GUID; the
// layer holds a reference to it, and owns its reflection texture and quads.

#include <d3d9.h>
#include <d3dx9math.h>

#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "render/Layer.h"

// The lower part of `quad` (corners in DS_ScreenQuad order) for a water level of
// `level` (a fraction of the quad's height): its top edge moves to the water line and
// its texture coordinates v run from 1 - level at the water line to 1 - 2 level at the
// bottom, so the band above the line shows upside down below it.
DS_ScreenQuad LakeMirrorCut(const DS_ScreenQuad& quad, float level);

// Height in pixels of the soft band below the water line: the stored band height for
// water cut from the picture itself, 0 when there is no water.
int LakeBandPixels(float waterHeight, float pictureHeight, unsigned bandHeight, float level);

// A stored tint (0x00BBGGRR) as a vertex colour 0x00RRGGBB, alpha 0.
D3DCOLOR LakeTintVertexColor(unsigned long tint);

// The bump-environment elements 00, 01, 10, 11 at the shimmer clock's accumulated time.
void LakeBumpMatrix(float accumulatedTime, float (&elements)[4]);

// Side of the square reflection texture for a stored reflection size.
int LakeReflectionSide(int reflectionSize);

class FakeLake2D : public DS_2D_Light {
public:
  static constexpr int kRecordVersion = 2;
  // Defaults, as stored values.
  static constexpr unsigned kDefaultSpeed = 50;
  static constexpr unsigned kDefaultBumpTiling = 100;
  static constexpr unsigned kDefaultWaterLevel = 25;
  static constexpr unsigned kDefaultRelief = 100;
  static constexpr unsigned kDefaultTintOpacity = 31;
  static constexpr unsigned kDefaultLineFade = 58;
  static constexpr unsigned kDefaultLineCount = 25;
  static constexpr unsigned kDefaultBandHeight = 7;
  static constexpr int kDefaultReflectionSize = 1;
  static constexpr unsigned long kDefaultTint = 0x00408000;

  FakeLake2D();
  ~FakeLake2D() override;

  // The "FakeLake2D" fields after the header the dispatcher read, then the base record.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);
  void Write(DS_IOF_Virtual& stream) const override;

  void DrawTexturedIndexedPT(DS_PreparedMesh& object, int argument, int ignored) override;
  void OnDeviceCreated() override;
  void OnDeviceRestored() override;
  void Render(bool noClear) override;
  void Update(float t) override;
  // The layer moves by itself.
  bool IsStill() const override { return false; }
  void OnImageChanged() override;

  // The states and textures of the water draw: the bump map on stage 0, the reflection
  // on stage 1. Without a bump map the reflection is drawn unshifted from stage 0.
  void SetBumpStages();

  const DS_SimpleMesh<DX_V::PT2>& GetWaterQuad() const { return m_waterQuad; }
  const DS_SimpleMesh<DX_V::PC>& GetTintQuad() const { return m_tintQuad; }
  const DS_SimpleMesh<DX_V::PC>& GetLineQuad() const { return m_lineQuad; }
  IDirect3DTexture9* GetReflection() const { return m_reflection.Get(); }
  IDirect3DTexture9* GetBumpTexture() const { return m_bump.Get(); }
  const float (&GetBumpMatrix() const)[4] { return m_bumpMatrix; }

  MediaSpeedParam speed;
  UINTSclaleTo<float> bumpTiling;
  UINTSclaleTo<float> waterLevel;
  UINTSclaleTo<float> relief;  // stored and written only
  UINTSclaleTo<float> tintOpacity;
  UINTSclaleTo<float> lineFade;
  MediaParamT<unsigned int> lineCount;  // stored and written only
  MediaParamT<unsigned int> bandHeight;
  MediaParamT<int> reflectionSize;
  MediaParamT<unsigned long> tint;  // 0x00BBGGRR
  GUID guid;
  ds_string name;  // stored and written only
  unsigned char byteFlag = 1;  // stored and written only

protected:
  DS_StateBlock LayerStates(const DS_DrawStates& draw) const override;

private:
  void MakeReflection();
  // Water quad positions and mirrored coordinates, tint and line quad positions.
  void BuildWaterGeometry();
  void SetBumpCoords();
  void SetTintColor();
  void SetTintAlphas();
  // The document's texture under the layer's GUID, or null.
  void LookUpBumpTexture() const;

  DS_ComHolder<IDirect3DTexture9> m_reflection;
  DS_SimpleMesh<DX_V::PC> m_tintQuad;
  DS_SimpleMesh<DX_V::PC> m_lineQuad;
  float m_bumpMatrix[4] = {0, 0, 0, 0};
  DS_SimpleMesh<DX_V::PT2> m_waterQuad;
  // Looked up again before writing: the writer keeps what the document holds then.
  mutable DS_ComHolder<IDirect3DTexture9> m_bump;
};
