#pragma once
// The effect brushes: scene items that change a painted region of their layer's
// picture through one effect. DS_FX_Constructor is what every brush class shares: its
// record level, its clock, the effect and the painted mask, the region mesh, the
// common effect parameters and the two ways of drawing. DS_BrushObj is the run-time
// object of every brush; it owns a clone of the brush item and prepares it once.
//
// The effect belongs to the document resource manager and is shared by every brush
// that names the same link; a brush only holds a reference, so each brush sets all of
// its parameters on every draw. The mask picture is the texture the manager keeps
// under the brush's mask GUID.

#include <d3dx9.h>

#include "device/ComHolder.h"
#include "document/CompositeParams.h"
#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ModuleResources.h"
#include "document/ScaledParams.h"
#include "render/Mesh.h"
#include "render/ObjectModel.h"

class DS_ABRender;

// A file link that names the source of an effect (a module resource by default).
class DS_HLSLEffectFile : public DS_FileLink3 {
public:
  DS_HLSLEffectFile() = default;
  DS_HLSLEffectFile(int32_t resourceId, const ds_string& moduleName) : DS_FileLink3(resourceId, moduleName) {}
  explicit DS_HLSLEffectFile(const DS_FileKey& key) : DS_FileLink3(key) {}
  DS_HLSLEffectFile(const DS_HLSLEffectFile& other) = default;
  DS_HLSLEffectFile& operator=(const DS_HLSLEffectFile& other) {
    DS_FileLink3::operator=(other);
    return *this;
  }
};

typedef DS_ComHolder<IDirect3DTexture9> DS_MaskHolder;

class DS_FX_Constructor : public DS_ABObj_Constructor {
public:
  // Layout of the "DS_FX_Constructor" level: version 2 added the scale, version 3
  // the region and the reserved value.
  static const int kRecordVersion = 3;
  static const int kFirstVersionWithScale = 2;
  static const int kFirstVersionWithRegion = 3;
  // The kind the run-time objects of brushes answer.
  static const int kBrushKind = 4;
  // Side of the copy of the mask that a written document carries.
  static const int kWrittenMaskSize = 512;
  // The module that holds the brushes' default effects.
  static constexpr const wchar_t* kEffectModule = kSharedModuleName;

  DS_FX_Constructor();
  // Shares the effect, the mask and the region mesh's buffers with `other`.
  DS_FX_Constructor(const DS_FX_Constructor& other);
  // This level and the base item (name and time line settings) take the source's
  // values; parameters are assigned with notification, device objects are shared.
  DS_FX_Constructor& operator=(const DS_FX_Constructor& other);
  ~DS_FX_Constructor() override;

  DS_ABObj* CreateObject() override;
  // The brush forgets its mask: no texture, a new GUID, no name, flag 1.
  void RenewMaskGuid() override;

  // Gets the effect from the current resource manager, then takes the mask.
  virtual void Prepare(DS_MaskHolder* mask);
  // Fills the region mesh from the region, the texture coordinates addressing the
  // whole picture.
  virtual void BuildMesh();
  virtual DS_MaskHolder* GetMaskTexture() { return &m_mask; }
  // Advances the brush clock with the object's local time.
  virtual void Update(float localTime);
  virtual void Render(DS_ABRender* layer) = 0;
  // True when Render lays the whole picture again from the scene it is handed, as the
  // common tail and the layer-quad draws do. A brush that draws only its region, or a
  // picture of its own, must not take the scene in FX mode: the picture would be lost.
  virtual bool RedrawsScene() const { return true; }
  // Shares the holder's texture, unless the holder is the brush's own.
  virtual void SetMaskTexture(DS_MaskHolder* mask);
  virtual DS_FX_Constructor* Clone() = 0;

  // The whole "DS_FX_Constructor" level, header included: how brush readers end.
  void ReadSection(DS_IOF_Handle& handle);
  // The level's fields after its header, then the base item's section.
  void Read(DS_IOF_Handle& handle, int version);
  // The "DS_FX_Constructor" level and the base item's section; each brush class
  // writes its own level first.
  void WriteLevel(DS_IOF_Virtual& stream) const;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // The common tails of Render. Apply: technique, "Scale", "Mask", "Background", then
  // the whole layer quad. Set: the same parameters with a four-value "Scale", no draw.
  // DrawRegion: the region mesh with "Main", or the layer quad with "MainFX".
  void ApplyCommonParameters(DS_ABRender* layer);
  void SetCommonParameters(DS_ABRender* layer);
  void DrawRegion(DS_ABRender* layer);

  // The brush clock: seconds of local time scaled by the speed.
  float GetBrushTime() const { return speed.GetAccumulatedTime(); }
  bool IsFXMode() const { return fxMode.GetValue() != 0; }
  ID3DXEffect* GetEffect() const { return m_effect.Get(); }
  const GUID& GetMaskGuid() const { return m_maskGuid; }
  const ds_string& GetMaskName() const { return m_maskName; }
  unsigned char GetMaskFlag() const { return m_maskFlag; }
  void SetMaskKey(const GUID& guid, const ds_string& name, unsigned char flag);
  DS_GridMesh& RegionMesh() { return m_regionMesh; }
  const DS_GridMesh& RegionMesh() const { return m_regionMesh; }

  MediaSpeedParam speed;
  MediaParamT<int> fxMode;
  DS_HLSLEffectFile effectLink;
  UINTSclaleTo<float> scale;
  MediaQuad region;
  // Stored and copied; no drawing code reads it.
  MediaParamTB<int> reservedInt;

protected:
  // Picture width / height, 1 for a picture without size.
  static float PictureAspect(const DS_ABRender& layer);
  // The scale's float, kept away from zero.
  float EffectScale() const;
  void SetTechnique(bool fx);
  void SetFloats(const char* name, const float* values, UINT count);
  void SetTexture(const char* name, IDirect3DTexture9* texture);

  DS_ComHolder<ID3DXEffect> m_effect;
  DS_MaskHolder m_mask;
  DS_GridMesh m_regionMesh;

private:
  void ShareRegionMesh(const DS_GridMesh& other);

  GUID m_maskGuid;
  ds_string m_maskName;
  unsigned char m_maskFlag = 1;
};

// The run-time object of every brush: owns the brush clone it was made with, which it
// prepares once with the mask the document keeps under the brush's GUID.
class DS_BrushObj : public DS_ABObj {
public:
  explicit DS_BrushObj(DS_FX_Constructor* brush);

  void Render(DS_ABRender* layer) override;
  void OnMouseMove(int x, int y) override;
  void OnResize() override {}
  // A brush in FX mode redraws the picture from the scene drawn before it (when it
  // has an effect to draw with, and its drawing does redraw the whole picture).
  bool NeedsSceneInput() const override;
  int GetKind() const override { return DS_FX_Constructor::kBrushKind; }
  void Update(float localTime) override;

  DS_FX_Constructor* GetBrush() const { return m_brush; }

private:
  // The owned clone (m_constructor), seen as a brush.
  DS_FX_Constructor* m_brush;
};
