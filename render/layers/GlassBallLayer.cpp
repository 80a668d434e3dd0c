#include "render/layers/GlassBallLayer.h"

#include <d3dx9.h>

#include <cmath>

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "device/ResourceLookup.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/ModuleResources.h"
#include "document/TextureSet.h"
#include "render/DeviceStates.h"
#include "render/TexturedQuad.h"

namespace {

// Stored defaults and scales.
const float kSpeedScale = 0.02f;
const float kSpeedOffset = 1.0f;
const unsigned kDefaultBallSize = 100;
const int kDefaultAnimationMode = 3;
// Sway-clock phase per second of scene time at speed 1.
const float kClockRate = 0.0625f;

// The lens: a hemisphere of radius 128 centred on texel (128, 128), its slopes scaled
// to the signed 16-bit range of D3DFMT_V16U16.
const int kLensCentre = 128;
const float kLensRadiusSquared = 16384.0f;
const float kLensSlopeScale = 16297.4658203125f;
// The mask: opaque outside a circle of radius 508 about texel (512, 512).
const int kMaskCentre = 512;
const int kMaskRadiusSquared = 258064;

// The ball square and the stand rectangle, in ball units.
const float kBallHalf = 256.0f;
const float kStandLeft = -230.4f, kStandRight = 232.9f;
const float kStandBottom = -372.19293f, kStandTop = -185.61412f;
const D3DCOLOR kBarColor = 0xFF000000;

// The camera: field of view, planes, and the visible height (about 500 units) at the
// ball's plane that positions are given in.
const float kFieldOfView = D3DX_PI / 4;
const float kNearPlane = 1.0f;
const float kFarPlane = 3000.0f;
const float kCameraDistance = 600.0f;
const float kPositionOffset = 250.0f;
const float kViewUnits = 500.0f;

// Where the glass-ball layer differs from the layer baseline, for every draw on it:
// pictures are read through their mip chains.
const DS_StateRow kGlassBallStates[] = {
    SamplerRow(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR),
};

// Stage 1 of the ball's draws reads its picture (wrapped) at the camera-space position
// through the ball's texture matrix, which is set with the ball's transforms.
const DS_StateRow kBallStage1[] = {
    StageRow(1, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2),
    StageRow(1, D3DTSS_TEXCOORDINDEX, D3DTSS_TCI_CAMERASPACEPOSITION | 1),
    StageRow(1, D3DTSS_COLORARG2, D3DTA_CURRENT),
    SamplerRow(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP),
    SamplerRow(1, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP),
    SamplerRow(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR),
    SamplerRow(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR),
};
// Within a draw of the ball, stage 1 shows its picture or is off, as it has one.
const DS_StateRow kStage1Shows[] = {StageRow(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1)};
const DS_StateRow kStage1Off[] = {StageRow(1, D3DTSS_COLOROP, D3DTOP_DISABLE)};

// The composition: the background and the scroll opaque in the layer's states, the
// lens shifting the scene per pixel, then the overlays, the rim and the stand blended
// with their alpha.
const DS_DrawStates kBackgroundDraw = {kNoStates};
const DS_StateRow kLens[] = {
    StageRow(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP),
    StageRow(0, D3DTSS_COLORARG2, D3DTA_CURRENT),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE),
    StageRow(0, D3DTSS_BUMPENVMAT00, FloatState(0.2f)),
    StageRow(0, D3DTSS_BUMPENVMAT01, FloatState(0.0f)),
    StageRow(0, D3DTSS_BUMPENVMAT10, FloatState(0.0f)),
    StageRow(0, D3DTSS_BUMPENVMAT11, FloatState(0.25f)),
    StageRow(0, D3DTSS_BUMPENVLSCALE, FloatState(1.0f)),
    StageRow(0, D3DTSS_BUMPENVLOFFSET, FloatState(0.0f)),
};
const DS_DrawStates kLensDraw = {kLens};
const DS_StateRow kBallOverlays[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
    StageRow(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
};
const DS_DrawStates kBallOverlaysDraw = {kBallOverlays};

// a / b, or 0 where the document's sizes would divide by zero.
float Ratio(float a, float b) {
  if (b == 0.0f) return 0.0f;
  const float r = a / b;
  return std::isfinite(r) ? r : 0.0f;
}
// An aspect ratio that perspective matrices can take: 1 for a missing size.
float Aspect(float width, float height) {
  const float a = Ratio(width, height);
  return a > 0.0f ? a : 1.0f;
}
float Frac(float x) { return x - std::floor(x); }

float LensHeight(int x, int y) {
  const float dx = float(x - kLensCentre);
  const float dy = float(y - kLensCentre);
  const float r2 = dx * dx + dy * dy;
  return r2 <= kLensRadiusSquared ? std::sqrt(kLensRadiusSquared - r2) : 0.0f;
}

D3DXMATRIX Perspective(float aspect) {
  D3DXMATRIX m;
  D3DXMatrixPerspectiveFovLH(&m, kFieldOfView, aspect, kNearPlane, kFarPlane);
  return m;
}

IOF_Virtual_ReaderT_II<DS_GlassBallLight, DS_2D_Light> s_glassBallReader(L"DS_GlassBallLight");

}  // namespace

// ---- formulas ----

DWORD GlassBallLensTexel(int x, int y) {
  // The last column has no right neighbour: it compares each texel with itself.
  const int last = DS_GlassBallLight::kLensSize - 1;
  const int x1 = x == last ? x : x + 1;
  const int y1 = x == last ? y : y + 1;
  const float h = LensHeight(x, y);
  const int u = int(std::trunc(std::atan(h - LensHeight(x1, y)) * kLensSlopeScale));
  const int v = int(std::trunc(std::atan(h - LensHeight(x, y1)) * kLensSlopeScale));
  return DWORD(WORD(short(u))) | (DWORD(WORD(short(v))) << 16);
}

BYTE GlassBallMaskTexel(int x, int y) {
  const int dx = x - kMaskCentre;
  const int dy = y - kMaskCentre;
  return dx * dx + dy * dy > kMaskRadiusSquared ? 255 : 0;
}

D3DCOLOR GlassBallGradientRow(int row, unsigned long topColour, unsigned long bottomColour) {
  const float t = float(row) / 255.0f;
  D3DCOLOR texel = 0;
  // Red, green, blue from the lowest byte up; the texel holds them as 0x00RRGGBB.
  for (int channel = 0; channel < 3; ++channel) {
    const float c1 = float((topColour >> (8 * channel)) & 0xFF);
    const float c2 = float((bottomColour >> (8 * channel)) & 0xFF);
    const DWORD value = DWORD(int(std::trunc(t * (c2 - c1) + c1))) & 0xFF;
    texel |= value << (16 - 8 * channel);
  }
  return texel;
}

DS_GlassBallLens GlassBallLens(unsigned ballSize, unsigned magnification, float sx, float c) {
  const float d = float(ballSize);
  const float e = float(magnification);
  DS_GlassBallLens lens;
  const float z = -kCameraDistance / (0.0075f * d + 0.25f) / (sx * c);
  // A zoom or band factor of 0 would put the eye at infinity.
  lens.z = std::isfinite(z) ? z : -kCameraDistance;
  lens.k = (1.105f * d * sx * c / 100.0f + 0.385f) * 1.05f * (1.0f + e / 200.0f);
  lens.n = 0.125f + 0.000625f * e;
  return lens;
}

float GlassBallSway(float g) { return 2.0f * std::fabs(2.0f * Frac(0.5f * g) - 1.0f) - 1.0f; }

float GlassBallScroll(int mode, float g) { return mode == 1 ? Frac(-0.5f * g) : Frac(0.5f * g); }

DS_GlassBallLayout GlassBallLayout(const DS_ScreenQuad& fitted, float sx, float sy, float ox, float oy) {
  DS_GlassBallLayout layout;
  const float left = fitted.Left(), top = fitted.Top(), right = fitted.Right(), bottom = fitted.Bottom();
  const float fw = right - left;
  const float fh = bottom - top;
  layout.background = fitted;
  for (DX_V::PT& corner : layout.background.v) {
    corner.x = left + sx * (corner.x - left) + ox;
    corner.y = top + sy * (corner.y - top) + oy;
  }
  const float a = std::trunc(left) + 1;
  const float b = std::trunc(top) + 1;
  layout.bars[DS_GlassBallLight::kBarLeft].SetCorners(0, 0, a, std::trunc(fh));
  layout.bars[DS_GlassBallLight::kBarRight].SetCorners(right, 0, right + a, std::trunc(fh));
  layout.bars[DS_GlassBallLight::kBarTop].SetCorners(0, 0, std::trunc(fw), b);
  layout.bars[DS_GlassBallLight::kBarBottom].SetCorners(0, bottom, std::trunc(fw), bottom + b);
  layout.cw = Ratio(sx * fw, sx * fw + 2 * (std::trunc(sx * left) + 1));
  layout.c = Ratio(sy * fh, sy * fh + 2 * (std::trunc(sy * top) + 1));
  return layout;
}

DS_BallTransforms GlassBallTransforms(const DS_BallTransformInput& in) {
  DS_BallTransforms out;
  const float z = in.lensValues.z;
  const float W = in.targetWidth > 0 ? in.targetWidth : 1.0f;
  const float H = in.targetHeight > 0 ? in.targetHeight : 1.0f;
  // In float: a stored position near the int range must not overflow.
  float x = ((float(in.position.x) + kPositionOffset) * in.sx - kPositionOffset +
             Ratio(Ratio(kViewUnits * in.ox, W), in.cw)) *
            (-z / kCameraDistance);
  float y = -((float(in.position.y) + kPositionOffset) * in.sy - kPositionOffset +
              Ratio(Ratio(kViewUnits * in.oy, H), in.c)) *
            (-z / kCameraDistance);
  const float layerAspect = Aspect(in.layerWidth, in.layerHeight);
  if (in.backgroundMode == 1) {
    x = x * layerAspect * in.cw;
    y = y * in.c;
  }
  out.x = x;
  out.y = y;
  D3DXMatrixTranslation(&out.world, x, y, 0);
  const D3DXVECTOR3 eye(0, 0, z), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&out.view, &eye, &at, &up);
  out.projection = Perspective(layerAspect);

  const float pictureAspect = Aspect(float(in.pictureWidth), float(in.pictureHeight));
  const float aspect = (!in.lens && in.backgroundMode != 0)
                           ? Aspect(float(in.backgroundWidth), float(in.backgroundHeight))
                           : pictureAspect;
  const D3DXMATRIX p = Perspective(aspect);
  const float s = in.lens ? in.lensValues.k : in.c;
  const float d = p._33 * s * std::fabs(z) + 1.0f;
  float tu = 0, tv = 0;
  if (in.lens) {
    const float a = 1.5f - 0.01f * float(in.magnification / 2);
    // A picture taller than wide has an integer aspect of 0, one without height none.
    unsigned r = in.pictureHeight != 0 ? in.pictureWidth / in.pictureHeight : 1;
    if (r == 0) r = 1;
    tu = -a * x / (W * float(r)) + in.lensValues.n * in.sway;
    tv = a * y / H;
  }
  D3DXMatrixIdentity(&out.texture);
  out.texture._11 = Ratio(0.5f * p._11, d);
  out.texture._22 = Ratio(-0.5f * p._22, d);
  out.texture._41 = (tu - std::floor(tu)) + 0.5f;
  out.texture._42 = tv + 0.5f;
  out.texture._12 = out.texture._21 = out.texture._31 = out.texture._32 = 0;
  return out;
}

DS_GlassBallClock& GetGlassBallClock() {
  static DS_GlassBallClock clock;
  return clock;
}

// ---- record ----

DS_GlassBallLight::DS_GlassBallLight()
    : firstOverlay(kFirstOverlayResource, kSharedModuleName),
      secondOverlay(kSecondOverlayResource, kSharedModuleName),
      standImage(kStandResource, kSharedModuleName),
      backgroundImage(kBackgroundResource, kSharedModuleName),
      speed(0u, kSpeedScale, kSpeedOffset),
      position(POINT{0, 0}),
      ballSize(kDefaultBallSize),
      magnification(0u),
      firstOverlaySwitch(1),
      secondOverlaySwitch(1),
      standSwitch(0),
      backgroundMode(0),
      animationMode(kDefaultAnimationMode),
      topColour(0ul),
      bottomColour(0ul) {
  D3DXMatrixIdentity(&m_textureMatrix);
  m_backgroundPicture.Clear();
}

DS_GlassBallLight::~DS_GlassBallLight() = default;

void DS_GlassBallLight::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadBaseRecord(handle);
}

template <class IO>
void DS_GlassBallLight::Fields(IO& io, int version) {
  io.Link(firstOverlay);
  io.Link(secondOverlay);
  io.Link(standImage);
  io.Link(backgroundImage);
  io.Field(speed);
  io.Point(position);
  io.UInt(ballSize);
  io.UInt(magnification);
  io.Long(firstOverlaySwitch);
  io.Long(secondOverlaySwitch);
  io.Long(standSwitch);
  io.Long(backgroundMode);
  io.Long(animationMode);
  io.Colour(topColour);
  io.Colour(bottomColour);
}

void DS_GlassBallLight::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_GlassBallLight", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_2D_Light::Write(stream);
}

// ---- textures ----

HRESULT DS_GlassBallLight::BuildLensTexture() {
  m_lens.Release();
  if (!g_CurrentDevice) return E_FAIL;
  if (FAILED(g_CurrentDevice->CreateTexture(kLensSize, kLensSize, 1, 0, D3DFMT_V16U16, D3DPOOL_MANAGED,
                                            m_lens.Receive(), nullptr))) {
    m_lens.Release();
    return E_FAIL;
  }
  D3DLOCKED_RECT locked = {};
  if (FAILED(m_lens->LockRect(0, &locked, nullptr, 0))) return 0;
  for (int y = 0; y < kLensSize; ++y) {
    DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + size_t(y) * size_t(locked.Pitch));
    for (int x = 0; x < kLensSize; ++x) row[x] = GlassBallLensTexel(x, y);
  }
  m_lens->UnlockRect(0);
  return 0;
}

HRESULT DS_GlassBallLight::BuildMaskTexture() {
  m_mask.Release();
  if (!g_CurrentDevice) return E_FAIL;
  if (FAILED(g_CurrentDevice->CreateTexture(kMaskSize, kMaskSize, 1, 0, D3DFMT_A8, D3DPOOL_MANAGED,
                                            m_mask.Receive(), nullptr))) {
    m_mask.Release();
    return E_FAIL;
  }
  D3DLOCKED_RECT locked = {};
  if (FAILED(m_mask->LockRect(0, &locked, nullptr, 0))) return 0;
  for (int y = 0; y < kMaskSize; ++y) {
    BYTE* row = static_cast<BYTE*>(locked.pBits) + size_t(y) * size_t(locked.Pitch);
    for (int x = 0; x < kMaskSize; ++x) row[x] = GlassBallMaskTexel(x, y);
  }
  m_mask->UnlockRect(0);
  return 0;
}

void DS_GlassBallLight::BuildGradientTexture() {
  m_gradient.Release();
  if (!g_CurrentDevice) return;
  // A gradient that cannot be made stays null; the background is then cleared black.
  if (FAILED(D3DXCreateTexture(g_CurrentDevice, kGradientSize, kGradientSize, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8,
                               D3DPOOL_MANAGED, m_gradient.Receive()))) {
    m_gradient.Release();
    return;
  }
  D3DLOCKED_RECT locked = {};
  if (FAILED(m_gradient->LockRect(0, &locked, nullptr, 0))) return;
  for (int y = 0; y < kGradientSize; ++y) {
    DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + size_t(y) * size_t(locked.Pitch));
    const D3DCOLOR texel = GlassBallGradientRow(y, topColour.GetValue(), bottomColour.GetValue());
    for (int x = 0; x < kGradientSize; ++x) row[x] = texel;
  }
  m_gradient->UnlockRect(0);
  // The background is drawn minified through the mip chain: levels left unwritten
  // would darken it.
  D3DXFilterTexture(m_gradient.Get(), nullptr, 0, D3DX_DEFAULT);
}

// ---- device hooks ----

HRESULT DS_GlassBallLight::CreateSquareBuffer(DS_VertexBuffer<DX_V::PT2>& buffer, float left, float bottom,
                                              float right, float top) {
  HRESULT hr = CreateVertexBuffer<DX_V::PT2>(4, buffer, D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
  if (FAILED(hr)) return hr;
  const float corners[4][4] = {
      {left, bottom, 0, 1}, {left, top, 0, 0}, {right, bottom, 1, 1}, {right, top, 1, 0}};
  buffer.Write(4, [&](DX_V::PT2* out) {
    for (int i = 0; i < 4; ++i) {
      out[i] = DX_V::PT2{corners[i][0], corners[i][1], 0, corners[i][2], corners[i][3], 0, 0};
    }
  });
  return S_OK;
}

void DS_GlassBallLight::OnDeviceCreated() {
  DS_2D_Light::OnDeviceCreated();
  if (!g_CurrentDevice) return;
  m_firstOverlayTexture.Set(LookupCurrentFrame(firstOverlay));
  m_secondOverlayTexture.Set(LookupCurrentFrame(secondOverlay));
  m_standTexture.Set(LookupCurrentFrame(standImage));
  BuildLensTexture();
  BuildGradientTexture();
  BuildMaskTexture();
  DS_ScreenQuad full;
  full.FromBackBuffer();
  // The background, the bars and the scroll quads follow the layout every frame.
  SetScreenQuad(m_backgroundQuad, m_gradient, full, DS_QuadStore::kMemory);
  SetScreenQuadUntextured(m_scrollQuads[0], full, DS_QuadStore::kMemory);
  SetScreenQuadUntextured(m_scrollQuads[1], full, DS_QuadStore::kMemory);
  if (FAILED(CreateSquareBuffer(m_ballBuffer, -kBallHalf, -kBallHalf, kBallHalf, kBallHalf))) return;
  for (DS_SimpleMesh<DX_V::SC>& bar : m_bars) BuildOverlayQuad(bar, kBarColor, full, DS_QuadStore::kMemory);
  if (FAILED(CreateSquareBuffer(m_standBuffer, kStandLeft, kStandBottom, kStandRight, kStandTop))) return;
  m_backgroundPicture.Clear();
  if (const DS_TextureSet* set = LookupTextureSet(backgroundImage)) {
    set->GetFirstFrame(m_backgroundPicture);
    if (IDirect3DTexture9* current = set->GetCurrentTexture()) m_backgroundPicture.texture.Set(current);
  }
  if (backgroundMode.GetValue() == 1) {
    m_backgroundQuad.texture = m_backgroundPicture.texture;
    m_backgroundFitType = DS_ViewContext::kFitLetterbox;
  } else {
    m_backgroundQuad.texture = m_gradient;
    m_backgroundFitType = DS_ViewContext::kFitFill;
  }
  SetSize(m_width, m_height);
}

DS_StateBlock DS_GlassBallLight::LayerStates(const DS_DrawStates&) const { return kGlassBallStates; }

void DS_GlassBallLight::OnDeviceLost() {
  DS_2D_Light::OnDeviceLost();
  m_scrollQuads[0].texture.Release();
  m_scrollQuads[1].texture.Release();
}

// ---- size and targets ----

void DS_GlassBallLight::SetSize(int width, int height) {
  DS_2D_Light::SetSize(width, height);
  const unsigned pictureWidth = unsigned(m_backgroundPicture.width);
  const unsigned pictureHeight = unsigned(m_backgroundPicture.height);
  if (g_CurrentViewContext) {
    g_CurrentViewContext->FitPicture(pictureWidth, pictureHeight, width, height, m_backgroundFitType);
  }
  DS_ScreenQuad fitted;
  fitted.FitTexture(pictureWidth, pictureHeight, width, height);
  if (!m_targetFlag) fitted.ScaleToBackBuffer(width, height);
  const float fw = fitted.Right() - fitted.Left();
  const float fh = fitted.Bottom() - fitted.Top();
  D3DXMATRIX zoom;
  D3DXMatrixIdentity(&zoom);
  if (g_CurrentViewContext) {
    D3DXMatrixMultiply(&zoom, &g_CurrentViewContext->GetCamera(), &g_CurrentViewContext->GetFitZoom());
  }
  m_sx = zoom._11;
  m_sy = zoom._22;
  m_ox = Ratio(zoom._41 * fw, float(pictureWidth));
  m_oy = Ratio(zoom._42 * fh, float(pictureHeight));
  const DS_GlassBallLayout layout = GlassBallLayout(fitted, m_sx, m_sy, m_ox, m_oy);
  SetScreenQuadPositions(m_backgroundQuad, layout.background);
  for (int i = 0; i < 4; ++i) SetOverlayQuadPositions(m_bars[i], layout.bars[i]);
  m_cw = layout.cw;
  m_c = layout.c;
  ComputeLens();
  if (g_CurrentViewContext) {
    g_CurrentViewContext->FitPicture(pictureWidth, pictureHeight, width, height, DS_ViewContext::kFitLetterbox);
  }
}

void DS_GlassBallLight::SetFitType(int type) {
  m_backgroundFitType = backgroundMode.GetValue() == 1 ? type : DS_ViewContext::kFitFill;
  SetSize(m_width, m_height);
}

void DS_GlassBallLight::BeginTarget(const DS_RenderTargetPair& pair, int fitType) {
  m_savedFitType = m_backgroundFitType;
  m_targetFlag = true;
  m_savedWidth = m_width;
  m_savedHeight = m_height;
  DS_2D_Light::BeginTarget(pair, fitType);
}

void DS_GlassBallLight::EndTarget() {
  m_targetFlag = false;
  SetSize(m_savedWidth, m_savedHeight);
  m_backgroundFitType = backgroundMode.GetValue() == 1 ? m_savedFitType : DS_ViewContext::kFitFill;
  // Still the target's size: the base pops the render-size stack only below.
  SetSize(m_width, m_height);
  DS_2D_Light::EndTarget();
}

void DS_GlassBallLight::ComputeLens() {
  const DS_GlassBallLens lens = GlassBallLens(ballSize.GetValue(), magnification.GetValue(), m_sx, m_c);
  m_z = lens.z;
  m_k = lens.k;
  m_n = lens.n;
}

// ---- frame ----

void DS_GlassBallLight::Update(float t) {
  DS_2D_Light::Update(t);
  SetSize(m_width, m_height);
  const int mode = animationMode.GetValue();
  if (mode == kStill) {
    m_sway = 0;
    return;
  }
  DS_GlassBallClock& clock = GetGlassBallClock();
  if (!clock.started) {
    clock.started = true;
    clock.last = t;
  }
  clock.g += (t - clock.last) * speed.GetResult() * kClockRate;
  // A clock that left the finite range would make every later frame's sway NaN.
  if (!std::isfinite(clock.g)) clock.g = 0;
  if (mode == kScrollOneWay || mode == kScrollOtherWay) {
    m_sway = 0;
    const float f = GlassBallScroll(mode, clock.g);
    const D3DSURFACE_DESC desc = GetBackBufferDesc();
    const float w = float(desc.Width), h = float(desc.Height);
    DS_ScreenQuad first, second;
    first.SetCorners(w * f, 0, w * f + w, h);
    second.SetCorners(-(1.0f - f) * w, 0, -(1.0f - f) * w + w, h);
    SetScreenQuadPositions(m_scrollQuads[0], first);
    SetScreenQuadPositions(m_scrollQuads[1], second);
  } else if (mode == kSway) {
    m_sway = GlassBallSway(clock.g);
  }
  clock.last = t;
}

void DS_GlassBallLight::Render(bool noClear) { DS_2D_Light::Render(false); }

void DS_GlassBallLight::GetTargetSize(float& width, float& height) const {
  if (m_targetFlag) {
    width = float(m_width);
    height = float(m_height);
    return;
  }
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  width = float(desc.Width);
  height = float(desc.Height);
}

void DS_GlassBallLight::SetBallTransforms(bool lens) {
  DS_BallTransformInput in;
  in.position = position.GetValue();
  in.magnification = magnification.GetValue();
  in.backgroundMode = backgroundMode.GetValue();
  in.lens = lens;
  in.sx = m_sx;
  in.sy = m_sy;
  in.ox = m_ox;
  in.oy = m_oy;
  in.cw = m_cw;
  in.c = m_c;
  in.lensValues = {m_z, m_k, m_n};
  in.sway = m_sway;
  GetTargetSize(in.targetWidth, in.targetHeight);
  in.layerWidth = float(m_width);
  in.layerHeight = float(m_height);
  in.pictureWidth = GetPictureWidth();
  in.pictureHeight = GetPictureHeight();
  in.backgroundWidth = unsigned(m_backgroundPicture.width);
  in.backgroundHeight = unsigned(m_backgroundPicture.height);
  const DS_BallTransforms out = GlassBallTransforms(in);
  m_textureMatrix = out.texture;
  if (!g_CurrentDevice) return;
  g_CurrentDevice->SetTransform(D3DTS_WORLD, &out.world);
  g_CurrentDevice->SetTransform(D3DTS_VIEW, &out.view);
  g_CurrentDevice->SetTransform(D3DTS_PROJECTION, &out.projection);
  g_CurrentDevice->SetTransform(D3DTS_TEXTURE1, &m_textureMatrix);
}

void DS_GlassBallLight::SetStage1Texture(IDirect3DTexture9* texture) {
  g_CurrentDevice->SetTexture(1, texture);
  ApplyStates(texture ? kStage1Shows : kStage1Off);
}

void DS_GlassBallLight::DrawBall(const DS_VertexBuffer<DX_V::PT2>& buffer) {
  if (!buffer.buffer) return;
  g_CurrentDevice->SetVertexShader(nullptr);
  g_CurrentDevice->SetFVF(DX_V::PT2::FVF);
  g_CurrentDevice->SetStreamSource(0, buffer.buffer.Get(), 0, sizeof(DX_V::PT2));
  g_CurrentDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

void DS_GlassBallLight::RenderSurround(bool skip) {
  if (!g_CurrentDevice) return;
  SetDrawStates(kBackgroundDraw);
  const int mode = animationMode.GetValue();
  // Flipping a pair that is not being drawn into would draw the scroll onto the back
  // buffer.
  if ((mode == kScrollOneWay || mode == kScrollOtherWay) && IsCaptureOpen()) {
    const DS_ComHolder<IDirect3DTexture9> scene = FlipTarget();
    SetStage1Texture(nullptr);
    for (DS_ScreenTexturedQuad& quad : m_scrollQuads) {
      quad.texture = scene;
      if (!quad.vertices.HasData()) continue;
      g_CurrentDevice->SetTexture(0, quad.texture.Get());
      SetScreenQuadStream(quad.vertices.buffer.Get());
      DrawMeshPrimitives(quad, quad.primitiveCount);
    }
  }
  // A local reference: the default-pool texture must not outlive the frame here.
  const DS_ComHolder<IDirect3DTexture9> scene = EndSceneCapture(false);

  // Background.
  SetStage1Texture(nullptr);
  if (m_backgroundQuad.texture && m_backgroundQuad.vertices.HasData()) {
    g_CurrentDevice->SetTexture(0, m_backgroundQuad.texture.Get());
    SetScreenQuadStream(m_backgroundQuad.vertices.buffer.Get());
    DrawMeshPrimitives(m_backgroundQuad, m_backgroundQuad.primitiveCount);
  } else {
    g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, kBarColor, 1.0f, 0);
  }

  // Lens: the captured scene, shifted per pixel by the lens's slopes.
  SetDrawStates(kLensDraw, kBallStage1);
  SetBallTransforms(true);
  g_CurrentDevice->SetTexture(0, m_lens.Get());
  SetStage1Texture(scene.Get());
  DrawBall(m_ballBuffer);

  // Overlays on the ball, with their alpha.
  SetDrawStates(kBallOverlaysDraw, kBallStage1);
  SetBallTransforms(false);
  SetStage1Texture(nullptr);
  // An overlay the document cannot supply is left out rather than drawn untextured
  // over the ball.
  if (firstOverlaySwitch.GetValue() != 0 && m_firstOverlayTexture) {
    g_CurrentDevice->SetTexture(0, m_firstOverlayTexture.Get());
    DrawBall(m_ballBuffer);
  }
  if (secondOverlaySwitch.GetValue() != 0 && m_secondOverlayTexture) {
    g_CurrentDevice->SetTexture(0, m_secondOverlayTexture.Get());
    DrawBall(m_ballBuffer);
  }

  // Rim: the background painted over the square's corners outside the circle.
  float width = 1, height = 1;
  GetTargetSize(width, height);
  g_CurrentDevice->SetTexture(0, m_mask.Get());
  SetStage1Texture(m_backgroundQuad.texture.Get());
  m_textureMatrix._11 = Ratio(m_textureMatrix._11, m_sx);
  m_textureMatrix._22 = Ratio(m_textureMatrix._22, m_sy);
  m_textureMatrix._41 = Ratio(m_textureMatrix._41 - Ratio(Ratio(m_ox, width), m_cw), m_sx);
  m_textureMatrix._42 = Ratio(m_textureMatrix._42 - Ratio(Ratio(m_oy, height), m_c), m_sy);
  g_CurrentDevice->SetTransform(D3DTS_TEXTURE1, &m_textureMatrix);
  DrawBall(m_ballBuffer);
  SetStage1Texture(nullptr);

  if (standSwitch.GetValue() != 0 && m_standTexture) {
    g_CurrentDevice->SetTexture(0, m_standTexture.Get());
    DrawBall(m_standBuffer);
  }
  g_CurrentDevice->SetTexture(0, nullptr);

  if (backgroundMode.GetValue() == 1 && m_backgroundFitType == DS_ViewContext::kFitLetterbox) {
    for (const DS_SimpleMesh<DX_V::SC>& bar : m_bars) DrawOverlay(&bar);
  }
}
