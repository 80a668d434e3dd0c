#include "render/layers/WaterRingLayer.h"

#include <cmath>

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "render/DeviceStates.h"
#include "render/ViewContext.h"

namespace {

const float kHalfPi = 1.5707964f;
// Orthographic depth range of the surface view.
const float kNearPlane = -1.0f;
const float kFarPlane = 2000.0f;

// The surface: its texture as it is, lit (the light and material are set beside these
// when the device is restored), over the layer's states; objects on it draw unlit in
// their own.
const DS_StateRow kSurface[] = {
    RenderRow(D3DRS_LIGHTING, TRUE),
    RenderRow(D3DRS_SPECULARENABLE, TRUE),
    RenderRow(D3DRS_ZFUNC, D3DCMP_LESSEQUAL),
    RenderRow(D3DRS_SHADEMODE, D3DSHADE_GOURAUD),
    StageRow(0, D3DTSS_COLORARG2, D3DTA_CURRENT),
    StageRow(0, D3DTSS_ALPHAARG2, D3DTA_CURRENT),
};
const DS_DrawStates kSurfaceDraw = {kSurface};
// The effect draws of plain and coloured geometry keep the surface's light (an effect
// that shows vertex colours as given switches it off itself).
const DS_StateRow kLitEffects[] = {
    RenderRow(D3DRS_LIGHTING, TRUE),
    RenderRow(D3DRS_SPECULARENABLE, TRUE),
};

D3DXMATRIX Translation(float x, float y, float z) {
  D3DXMATRIX m;
  D3DXMatrixTranslation(&m, x, y, z);
  return m;
}

// Picture-space drift of a view-context matrix, in picture sizes; 0 when it has none
// or the picture no size.
float DriftInPictures(float translation, float scale, unsigned pictureSize) {
  if (scale == 0.0f || pictureSize == 0) return 0.0f;
  const float drift = translation / scale / float(pictureSize);
  return std::isfinite(drift) ? drift : 0.0f;
}

IOF_Virtual_ReaderT_II<DS_WaterRingLight, DS_2D_Light> s_waterRingReader(L"DS_WaterRingLight");

}  // namespace

DS_WaterRingLight::DS_WaterRingLight()
    : mode(0), waveGain(0u), rowScale(0u), detail(0u), dropStrength(kDefaultDropStrength),
      damping(kDefaultDamping), refraction(kDefaultRefraction), dropRate(kDefaultDropRate, 1.0f / 60.0f, 0.0f),
      specular(kDefaultSpecular, 0.01f, 0.0f), specularPower(kDefaultSpecularPower, 0.8f, 0.0f),
      m_ripple(new DS_WaterRipple()), m_lightDirection(0.5f, -1.0f, 1.0f, 0.0f),
      m_lightColour(1.0f, 1.0f, 1.0f, 1.0f) {
  D3DXMatrixIdentity(&m_worldMatrix);
  D3DXMatrixIdentity(&m_viewMatrix);
  D3DXMatrixIdentity(&m_cameraMatrix);
  D3DXMatrixIdentity(&m_projectionMatrix);
  m_width = 0;
  m_height = 0;
}

DS_WaterRingLight::~DS_WaterRingLight() = default;

// ---- record ----

void DS_WaterRingLight::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadBaseRecord(handle);
}

template <class IO>
void DS_WaterRingLight::Fields(IO& io, int version) {
  if (version > 1) {
    io.UInt(waveGain);
    io.UInt(rowScale);
    io.UInt(detail);
    io.UInt(dropStrength);
    io.UInt(damping);
    io.UInt(refraction);
    io.Field(dropRate);
    io.Field(specular);
    io.Field(specularPower);
  }
  io.Long(mode);
}

void DS_WaterRingLight::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_WaterRingLight", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_2D_Light::Write(stream);
}

// ---- surface set-up ----

float DS_WaterRingLight::DampingFromValue(unsigned value) {
  if (value < 50) return 0.9f + float(value) * 0.09f * 0.02f;
  return 0.99f + float(value - 50) * 0.009f * 0.02f;
}

float DS_WaterRingLight::GetPictureAspect() const {
  // A picture that could not be bound has no size: its aspect would divide by zero.
  if (m_pictureRef.width > 0 && m_pictureRef.height > 0) return float(m_pictureRef.height) / float(m_pictureRef.width);
  if (m_width > 0 && m_height > 0) return float(m_height) / float(m_width);
  return 1.0f;
}

void DS_WaterRingLight::GetViewExtents(int width, int height, float pictureAspect, float& halfWidth,
                                       float& halfHeight) {
  const float a = float(width) / float(height);
  const float half = kSurfaceHeight * 0.5f;
  if (a * pictureAspect > 1.0f) {
    // The target is relatively wider than the picture: room left and right.
    halfHeight = half;
    halfWidth = half * a;
  } else {
    halfWidth = (kSurfaceHeight / pictureAspect) * 0.5f;
    halfHeight = halfWidth / a;
  }
}

void DS_WaterRingLight::ApplyRippleParameters() {
  m_ripple->waveGain = 1.0f + 0.02f * float(waveGain.GetValue());
  m_ripple->dropStrength = 0.1f + 0.01f * float(dropStrength.GetValue()) * 0.7f;
  m_ripple->damping = DampingFromValue(damping.GetValue());
  m_ripple->refractionStrength = 0.01f * float(refraction.GetValue());
}

void DS_WaterRingLight::ConfigureRipple() {
  const float r = GetPictureAspect();
  m_ripple->Configure(kSurfaceHeight / r, kSurfaceHeight, 1.0f + 0.01f * float(rowScale.GetValue()),
                      1.0f + 0.01f * float(detail.GetValue()));
  m_ripple->AddDrop();
}

void DS_WaterRingLight::SetMaterial() const {
  if (!g_CurrentDevice) return;
  D3DMATERIAL9 material = {};
  material.Diffuse.a = 1.0f;
  const float s = specular.GetResult();
  material.Specular.r = s;
  material.Specular.g = s;
  material.Specular.b = s;
  material.Power = specularPower.GetResult();
  g_CurrentDevice->SetMaterial(&material);
}

// ---- device hooks ----

void DS_WaterRingLight::OnDeviceCreated() {
  DS_2D_Light::OnDeviceCreated();
  m_ripple->BuildRefractionTable();
  D3DXMATRIX rotation;
  D3DXMatrixRotationX(&rotation, -kHalfPi);
  const D3DXMATRIX lift = Translation(0, kEyeHeight, 0);
  D3DXMatrixMultiply(&m_cameraMatrix, &rotation, &lift);
  D3DXMatrixInverse(&m_viewMatrix, nullptr, &m_cameraMatrix);
  ApplyRippleParameters();
  ConfigureRipple();
  SetMaterial();
}

void DS_WaterRingLight::OnDeviceRestored() {
  if (!g_CurrentDevice) return;
  D3DLIGHT9 light = {};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Diffuse.r = m_lightColour.x;
  light.Diffuse.g = m_lightColour.y;
  light.Diffuse.b = m_lightColour.z;
  light.Diffuse.a = m_lightColour.w;
  light.Specular.r = 1.0f;
  light.Specular.g = 1.0f;
  light.Specular.b = 1.0f;
  light.Direction.x = m_lightDirection.x;
  light.Direction.y = m_lightDirection.y;
  light.Direction.z = m_lightDirection.z;
  g_CurrentDevice->SetLight(0, &light);
  g_CurrentDevice->LightEnable(0, TRUE);
  SetMaterial();
  g_CurrentDevice->SetTransform(D3DTS_VIEW, &m_viewMatrix);
  g_CurrentDevice->SetTransform(D3DTS_WORLD, &m_worldMatrix);
  SetDrawStates(kSurfaceDraw);
  ConfigureRipple();
  SetSize(m_width, m_height);
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  m_targets.Create(int(desc.Width), int(desc.Height));
}

void DS_WaterRingLight::OnDeviceLost() {
  DS_2D_Light::OnDeviceLost();
  m_ripple->ReleaseBuffers();
}

// ---- frame ----

void DS_WaterRingLight::Update(float t) {
  DS_2D_Light::Update(t);
  // The scene time went back (a new start of the clock): the drop clock follows.
  if (t < m_lastDropTime) m_lastDropTime = t;
  // A drop rate of 0 gives an infinite interval: no timed drops.
  if (t - m_lastDropTime > 1.0f / dropRate.GetResult()) {
    m_ripple->AddDrop();
    m_lastDropTime = t;
  }
  const D3DXVECTOR3 eye(m_cameraMatrix._41, m_cameraMatrix._42, m_cameraMatrix._43);
  m_ripple->Step(eye);
}

void DS_WaterRingLight::DrawSurface(IDirect3DTexture9* texture) {
  if (!g_CurrentDevice) return;
  SetDrawStates(kSurfaceDraw);
  g_CurrentDevice->SetTransform(D3DTS_WORLD, &m_worldMatrix);

  // The layer's camera drift and zoom carry over to the surface.
  D3DXMATRIX cameraZoom, zoom;
  D3DXMatrixIdentity(&cameraZoom);
  D3DXMatrixIdentity(&zoom);
  if (g_CurrentViewContext) {
    D3DXMatrixMultiply(&cameraZoom, &g_CurrentViewContext->GetCamera(), &g_CurrentViewContext->GetFitZoom());
    g_CurrentViewContext->GetCameraZoomMatrix(zoom);
  }
  const float gx = DriftInPictures(cameraZoom._41, cameraZoom._11, GetPictureWidth());
  const float gy = DriftInPictures(cameraZoom._42, cameraZoom._22, GetPictureHeight());
  const float w = m_ripple->GetWidth();
  const float h = m_ripple->GetHeight();
  // Without drift and zoom the two translations cancel and the surface is seen centred.
  const D3DXMATRIX drift = Translation(w * (0.5f + gx), 0, h * (0.5f + gy));
  const D3DXMATRIX back = Translation(-w * 0.5f, h * 0.5f, 0);
  D3DXMATRIX view;
  D3DXMatrixMultiply(&view, &drift, &m_viewMatrix);
  D3DXMatrixMultiply(&view, &view, &zoom);
  D3DXMatrixMultiply(&view, &view, &back);
  g_CurrentDevice->SetTransform(D3DTS_VIEW, &view);
  g_CurrentDevice->SetTransform(D3DTS_PROJECTION, &m_projectionMatrix);
  g_CurrentDevice->SetTexture(0, texture);
  m_ripple->Draw();
  if (g_CurrentViewContext) g_CurrentViewContext->ApplyTransforms();
}

void DS_WaterRingLight::Render(bool noClear) {
  if (mode.GetValue() == kModeScene) {
    DS_2D_Light::Render(false);
    return;
  }
  if (!g_CurrentDevice) return;
  g_CurrentDevice->SetTexture(0, m_layerQuad.texture.Get());
  SetPTStream(m_layerQuad.vertices.buffer.Get());
  DrawSurface(m_layerQuad.texture.Get());
}

void DS_WaterRingLight::RenderSurround(bool skip) {
  // Without an open capture (the pair could not be made) the scene already stands
  // unrippled on the back buffer: clearing it would leave the frame black.
  if (mode.GetValue() == kModeScene && m_captureOpen && g_CurrentDevice) {
    FitPicture(m_width, m_height, m_captureFitType);
    m_targets.EndRender();
    m_captureOpen = false;
    // Clearing a depth buffer the device does not have fails the whole clear.
    const DWORD flags = D3DCLEAR_TARGET | (HasDepthSurface() ? D3DCLEAR_ZBUFFER : 0);
    g_CurrentDevice->Clear(0, nullptr, flags, kCaptureEndClearColor, 1.0f, 0);
    DrawSurface(m_targets.GetCurrent().Get());
  }
  DS_2D_Light::RenderSurround(skip);
}

void DS_WaterRingLight::SetSize(int width, int height) {
  m_width = width;
  m_height = height;
  if (width <= 0 || height <= 0) return;
  DS_2D_Light::SetSize(width, height);
  float halfWidth = 0, halfHeight = 0;
  GetViewExtents(width, height, GetPictureAspect(), halfWidth, halfHeight);
  D3DXMatrixOrthoOffCenterRH(&m_projectionMatrix, -halfWidth, halfWidth, -halfHeight, halfHeight, kNearPlane,
                             kFarPlane);
  if (g_CurrentDevice) g_CurrentDevice->SetTransform(D3DTS_PROJECTION, &m_projectionMatrix);
}

void DS_WaterRingLight::SetFitType(int type) {
  DS_2D_Light::SetFitType(type);
  SetSize(m_width, m_height);
}

// ---- scene capture ----

void DS_WaterRingLight::BeginSceneCapture() {
  DS_2D_Light::BeginSceneCapture();
  // The picture-only surface fills the pair; only a capture that opened changes the
  // layout, or a failed one would leave it stretched for good.
  if (mode.GetValue() != kModeScene && m_captureOpen) {
    DS_2D_Light::SetFitType(DS_ViewContext::kFitStretch);
    SetSize(m_width, m_height);
  }
}

const DS_ComHolder<IDirect3DTexture9>& DS_WaterRingLight::EndSceneCapture(bool clear) {
  if (mode.GetValue() != kModeScene && m_captureOpen) {
    DS_2D_Light::SetFitType(DS_ViewContext::kFitLetterbox);
    SetSize(m_width, m_height);
  }
  return DS_2D_Light::EndSceneCapture(clear);
}

// ---- drawing interface ----

DS_StateBlock DS_WaterRingLight::LayerStates(const DS_DrawStates& draw) const {
  return &draw == &ds_states::kEffectDraw ? DS_StateBlock(kLitEffects) : kNoStates;
}
