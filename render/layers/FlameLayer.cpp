#include "render/layers/FlameLayer.h"

#include <memory>

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/DocResManager.h"
#include "document/ModuleResources.h"
#include "document/TextureSet.h"
#include "render/DeviceStates.h"
#include "render/EffectPasses.h"
#include "render/ViewContext.h"

namespace {

IOF_Virtual_ReaderT_II<DS_FlameLight, DS_2D_Light> s_flameReader(L"DS_FlameLight");

// The records before the fire brush had its own section.
const int kFirstVersionWithFireSection = 2;
// Size the quads are made at before the picture sizes them.
const float kInitialWidth = 800.0f;
const float kInitialHeight = 600.0f;
// The fire texture's v at the bottom of the band.
const float kFireBandBottomV = 0.95f;

const char kTechniqueDistort[] = "BumpmapDistortLow2";
const char kTechniqueFireBand[] = "AsEffect";
const char kParamStrength[] = "stenght";
const char kParamOffset[] = "Offset";
const char kParamBumpScale[] = "bump_scale";
const char kParamScene[] = "SceneTex";
const char kParamBump[] = "Bumpmap";
const float kStrengthFactor = 0.05f;

// Where the flame layer differs from the layer baseline, for every draw on it: sampler
// 0 clamped at the texture's edges, and the four samplers the fire and distortion
// effects read filtered.
const DS_StateRow kFlameStates[] = {
    SamplerRow(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP),
    SamplerRow(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP),
    SamplerRow(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
    SamplerRow(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
    SamplerRow(2, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
    SamplerRow(2, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
    SamplerRow(3, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
    SamplerRow(3, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
};

// Four DX_V::PT vertices with positions and texture coordinates, in the given order.
void WriteQuad(DS_VertexBuffer<DX_V::PT>& buffer, const float (&v)[4][4]) {
  buffer.Write(4, [&](DX_V::PT* out) {
    for (int i = 0; i < 4; ++i) out[i] = DX_V::PT{v[i][0], v[i][1], 0.0f, v[i][2], v[i][3]};
  });
}

void MakeQuad(DS_SimpleMesh<DX_V::PT>& mesh, const float (&v)[4][4]) {
  mesh.primitiveType = D3DPT_TRIANGLESTRIP;
  mesh.primitiveCount = 0;
  if (FAILED(CreatePTVertexBuffer(4, mesh.vertices, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED))) return;
  WriteQuad(mesh.vertices, v);
  mesh.primitiveCount = 2;
}

}  // namespace

// ---- heat distortion ----

DS_HeatDistortion::DS_HeatDistortion()
    : bumpImage(kDefaultBumpId, kSharedModuleName),
      effectLink(kDefaultEffectId, kSharedModuleName),
      speed(50u, 0.001f, 0.0f),
      strength(25u, 0.002f, 0.0f),
      bumpScale(88u, -0.009f, 1.0f) {}

bool DS_HeatDistortion::CreateDeviceObjects() {
  // Strip order: left-bottom, left-top, right-bottom, right-top.
  const float quad[4][4] = {
      {0, kInitialHeight, 0, 1}, {0, 0, 0, 0}, {kInitialWidth, kInitialHeight, 1, 1}, {kInitialWidth, 0, 1, 0}};
  MakeQuad(screenQuad, quad);
  // An empty set gives no bump texture; the effect then samples nothing there.
  m_bumpTexture.Set(LookupCurrentFrame(bumpImage));
  m_effect.Attach(g_CurrentDocResManager ? g_CurrentDocResManager->GetEffect(effectLink) : nullptr);
  return bool(m_effect);
}

void DS_HeatDistortion::SetQuadSize(int width, int height) {
  const float w = float(width);
  const float h = float(height);
  DS_VertexBuffer<DX_V::PT>& v = screenQuad.vertices;
  v.Write(4, [&](DX_V::PT* out) {
    out[0].x = 0;
    out[0].y = h;
    out[1].x = 0;
    out[1].y = 0;
    out[2].x = w;
    out[2].y = h;
    out[3].x = w;
    out[3].y = 0;
  });
  // A picture without width keeps the bump map square.
  m_aspect = width > 0 ? h / w : 1.0f;
}

void DS_HeatDistortion::Update(float t) {
  if (!m_effect) return;
  speed.Advance(t);
  const float time = speed.GetAccumulatedTime();
  const float s = bumpScale.GetResult();
  m_effect->SetFloat(kParamStrength, strength.GetResult() * kStrengthFactor);
  const float offset[2] = {time, -time};
  m_effect->SetFloatArray(kParamOffset, offset, 2);
  const float tiling[2] = {s, m_aspect * s};
  m_effect->SetFloatArray(kParamBumpScale, tiling, 2);
}

void DS_HeatDistortion::Draw(const DS_ComHolder<IDirect3DTexture9>& scene) {
  if (!m_effect) return;
  m_effect->SetTexture(kParamScene, scene.Get());
  m_effect->SetTexture(kParamBump, m_bumpTexture.Get());
  m_effect->SetTechnique(kTechniqueDistort);
  RunEffectPasses(m_effect.Get(), [&] {
    if (!g_CurrentDevice || !screenQuad.vertices.buffer || screenQuad.primitiveCount <= 0) return;
    g_CurrentDevice->SetVertexShader(nullptr);
    g_CurrentDevice->SetFVF(DX_V::PT::FVF);
    g_CurrentDevice->SetStreamSource(0, screenQuad.vertices.buffer.Get(), 0, sizeof(DX_V::PT));
    g_CurrentDevice->DrawPrimitive(screenQuad.primitiveType, 0, UINT(screenQuad.primitiveCount));
  });
}

// ---- record ----

DS_FlameLight::DS_FlameLight() : fireSwitch(1), distortionSwitch(1), fireOffset(0u) {
  m_fire.patternImage.StoreKey(DS_FileKey(kSharedModuleName, kFirePatternId));
  m_fire.noiseImage.StoreKey(DS_FileKey(kSharedModuleName, kFireNoiseId));
}

DS_FlameLight::~DS_FlameLight() = default;

template <class IO>
void DS_FlameLight::Fields(IO& io, int version) {
  io.Long(fireSwitch);
  io.Long(distortionSwitch);
  io.UInt(fireOffset);
  if (version < kFirstVersionWithFireSection) io.Field(m_fire.speed);
  io.Link(m_heat.bumpImage);
  io.Link(m_heat.effectLink);
  io.Field(m_heat.speed);
  io.Field(m_heat.strength);
  io.Field(m_heat.bumpScale);
  if (version < kFirstVersionWithFireSection) {
    // The fire's two pictures of the first layout: read and dropped.
    DS_FileLink3 dropped;
    io.Link(dropped);
    io.Link(dropped);
  }
  // Later layouts hold the fire's own section here.
}

void DS_FlameLight::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  if (version >= kFirstVersionWithFireSection) {
    std::unique_ptr<DS_FireFX> fire(DS_FireFX::CreateFromSection(handle));
    // A fire that could not be read whole fails the stream; the layer is dropped.
    if (!fire) return;
    m_fire = *fire;
  }
  if (handle->Failed()) return;
  ReadBaseRecord(handle);
}

void DS_FlameLight::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_FlameLight", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  m_fire.WriteLevel(stream);
  DS_2D_Light::Write(stream);
}

// ---- device hooks ----

void DS_FlameLight::OnDeviceCreated() {
  DS_2D_Light::OnDeviceCreated();
  // Top-left, top-right, bottom-left, bottom-right; the positions follow the picture.
  const float band[4][4] = {{0, 0, 0, 0},
                            {kInitialWidth, 0, 1, 0},
                            {0, kInitialHeight, 0, kFireBandBottomV},
                            {kInitialWidth, kInitialHeight, 1, kFireBandBottomV}};
  MakeQuad(m_fireQuad, band);
  if (!m_heat.CreateDeviceObjects()) distortionSwitch.StoreValue(0);
  OnImageChanged();
  m_fire.Prepare(nullptr);
}

void DS_FlameLight::OnImageChanged() {
  BindPicture();
  SetSize(m_width, m_height);
  DS_2D_Light::SetSize(m_width, m_height);
  const unsigned w = GetPictureWidth();
  const unsigned h = GetPictureHeight();
  m_heat.SetQuadSize(int(w), int(h));
  float top = 0, bottom = 0;
  BandSpan(h, fireOffset.GetValue(), top, bottom);
  const float right = float(w);
  m_fireQuad.vertices.Write(4, [&](DX_V::PT* out) {
    out[0].x = 0;
    out[0].y = top;
    out[1].x = right;
    out[1].y = top;
    out[2].x = 0;
    out[2].y = bottom;
    out[3].x = right;
    out[3].y = bottom;
  });
}

void DS_FlameLight::BandSpan(unsigned pictureHeight, unsigned offset, float& top, float& bottom) {
  const double h = double(pictureHeight);
  const double b = h * (1.0 + double(kOffsetStep) * double(offset));
  bottom = float(b);
  top = float(b - double(kBandHeight) * h);
}

void DS_FlameLight::OnDeviceRestored() {
  if (!g_CurrentDevice) return;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  g_CurrentDevice->SetTransform(D3DTS_WORLD, &identity);
  SetDrawStates(ds_states::kLayerDraw);
  DS_2D_Light::SetSize(m_width, m_height);
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  m_targets.Create(int(desc.Width), int(desc.Height));
}

void DS_FlameLight::OnDeviceLost() { DS_2D_Light::OnDeviceLost(); }

// ---- frame ----

bool DS_FlameLight::NeedsSceneCapture() const { return IsDistortionOn(); }

void DS_FlameLight::Update(float t) {
  m_fire.DS_FX_Constructor::Update(t);
  m_camera.Update(t);
  m_heat.Update(t);
}

void DS_FlameLight::Render(bool noClear) {
  DS_2D_Light::Render(false);
  ID3DXEffect* effect = m_fire.GetEffect();
  if (fireSwitch.GetValue() == 0 || !effect) return;
  m_fire.SetNoiseParameters(m_fireQuad);
  effect->SetTechnique(kTechniqueFireBand);
  DrawPT(m_fireQuad, effect);
}

void DS_FlameLight::RenderSurround(bool skip) {
  if (!g_CurrentDevice) return;
  // Only a capture this layer opened is ended and distorted: with the distortion off
  // (or a pair that could not be drawn into) the scene is on the back buffer already.
  if (IsDistortionOn() && IsCaptureOpen()) {
    const DS_ComHolder<IDirect3DTexture9> scene = EndSceneCapture(false);
    if (g_CurrentViewContext) g_CurrentViewContext->SetWorld(m_heat.screenQuad.world);
    SetDrawStates(ds_states::kEffectDraw);
    m_heat.Draw(scene);
  }
  DS_2D_Light::RenderSurround(skip);
}

DS_StateBlock DS_FlameLight::LayerStates(const DS_DrawStates&) const { return kFlameStates; }
