#include "render/layers/CodeRainLayer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "device/DeviceGlobals.h"
#include "device/DeviceUtil.h"
#include "device/ResourceLookup.h"
#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "document/ModuleResources.h"
#include "document/TextureSet.h"
#include "render/DeviceStates.h"
#include "render/SceneMapping.h"
#include "render/ViewContext.h"

namespace {

const wchar_t kClassName[] = L"DS_MatrixCodeLight";

// Defaults of the stored settings.
const unsigned kDefaultCellSize = 16;
const unsigned kDefaultDensity = 20;
const unsigned kDefaultGlitchCount = 50;
const int kDefaultFallStyle = 2;
// The opacity is stored as a transparency in percent: 1.0 - 0.01 x value.
const float kOpacityScale = -0.01f;
const float kOpacityOffset = 1.0f;
// Densities outside 1..100 percent are used as the nearest bound.
const unsigned kMinDensity = 1;
const unsigned kMaxDensity = 100;
// The glyph strip holds (height div width) glyphs; the count the grid draws from is
// two more.
const unsigned kExtraGlyphs = 2;

IOF_Virtual_ReaderT_II<DS_MatrixCodeLight, DS_2D_Light> s_reader(kClassName);

int ClampToInt(unsigned value) { return value > unsigned(INT_MAX) ? INT_MAX : int(value); }

// The low byte of trunc(alpha x 255). The opacity is not clamped, so a transparency
// above 100 percent gives a negative value whose low byte is used; a value that no
// integer holds gives 0 instead of an undefined conversion.
unsigned GlyphAlphaByte(float alpha) {
  const double scaled = double(alpha * 255.0f);
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.0e18) return 0;
  return unsigned(uint64_t(int64_t(scaled)) & 0xFFu);
}

// Where the code-rain layer differs from the layer baseline, for every draw on it:
// stage 0 modulates colour and alpha.
const DS_StateRow kCodeRainStates[] = {
    StageRow(0, D3DTSS_COLOROP, D3DTOP_MODULATE),
    StageRow(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE),
};

// The glyphs are the texture tinted by the quad colour, blended by the quad's alpha.
const DS_StateRow kGlyphs[] = {
    RenderRow(D3DRS_ALPHABLENDENABLE, TRUE),
};
const DS_DrawStates kGlyphDraw = {kGlyphs};

}  // namespace

DS_MatrixCodeLight::DS_MatrixCodeLight()
    : cellSize(kDefaultCellSize),
      density(kDefaultDensity),
      glitchCount(kDefaultGlitchCount),
      spinnerSwitch(0),
      drawMode(kDrawOverPicture),
      fallStyle(kDefaultFallStyle),
      glyphColor(0),
      highlightColor(0),
      opacity(0u, kOpacityScale, kOpacityOffset),
      glyphImage(kDefaultGlyphResource, kSharedModuleName) {}

DS_MatrixCodeLight::~DS_MatrixCodeLight() = default;

// ---- record ----

void DS_MatrixCodeLight::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadBaseRecord(handle);
}

template <class IO>
void DS_MatrixCodeLight::Fields(IO& io, int version) {
  io.UInt(cellSize);
  io.UInt(density);
  io.UInt(glitchCount);
  io.Long(spinnerSwitch);
  io.Long(drawMode);
  io.Long(fallStyle);
  io.Colour(glyphColor);
  io.Colour(highlightColor);
  io.Field(opacity);
  if (version > 1) io.Link(glyphImage);
}

void DS_MatrixCodeLight::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, kClassName, kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  DS_2D_Light::Write(stream);
}

// ---- device objects ----

void DS_MatrixCodeLight::TakeConfiguration(int glyphCount) {
  const unsigned size = cellSize.GetValue();
  m_config.cellSize = size == 0 ? 1 : ClampToInt(size);
  m_config.density = int(std::min(std::max(density.GetValue(), kMinDensity), kMaxDensity));
  m_config.glitchCount = ClampToInt(glitchCount.GetValue());
  m_config.spinnerSwitch = spinnerSwitch.GetValue();
  m_config.fallStyle = fallStyle.GetValue();
  m_config.glyphCount = glyphCount;
}

void DS_MatrixCodeLight::OnDeviceCreated() {
  DS_2D_Light::OnDeviceCreated();
  DS_2D_Light::SetSize(1, 1);

  // The glyph texture is held only for as long as it takes to hand it to the batch.
  DS_ComHolder<IDirect3DTexture9> glyphs;
  unsigned width = 0, height = 0;
  if (DS_TextureSet* set = LookupTextureSet(glyphImage)) {
    glyphs.Set(set->GetCurrentTexture());
    width = set->width > 0 ? unsigned(set->width) : 0;
    height = set->height > 0 ? unsigned(set->height) : 0;
  }
  // Without a glyph picture the strip counts no glyphs of its own.
  const unsigned stripGlyphs = width > 0 ? height / width : 0;
  m_batch.SetTexture(glyphs);

  TakeConfiguration(ClampToInt(stripGlyphs + kExtraGlyphs));
  RebuildGrid();
  ResizeBatch();
  BuildLuminanceMap();
}

DS_StateBlock DS_MatrixCodeLight::LayerStates(const DS_DrawStates&) const { return kCodeRainStates; }

void DS_MatrixCodeLight::RebuildGrid() {
  m_rain.reset();
  m_rain.reset(new DS_MatrixCodeRain(DS_MatrixCodeGrid::Create(m_config)));
}

void DS_MatrixCodeLight::ResizeBatch() {
  // The grid's own size: it may have grown the cell size to bound the cell count.
  const DS_MatrixCodeGrid* grid = m_rain ? &m_rain->Grid() : nullptr;
  m_batch.Resize(grid ? grid->GetColumns() * grid->GetRows() : 0);
}

void DS_MatrixCodeLight::BuildLuminanceMap() {
  const int mode = drawMode.GetValue();
  if (mode == kDrawOverPicture) {
    std::vector<float>().swap(m_luminance);
    return;
  }
  if (mode != kDrawLuminance) return;
  // A picture that cannot be read lets every glyph keep the full opacity.
  m_luminance.assign(size_t(kLuminanceSize) * kLuminanceSize, 1.0f);
  // Asked for in 32-bit texels (blue, green, red, one ignored byte): that is how the
  // copy is read.
  DS_ComHolder<IDirect3DTexture9> copy;
  if (FAILED(ResampleTexture(kLuminanceSize, kLuminanceSize, m_pictureRef.texture, copy, D3DFMT_X8R8G8B8)) ||
      !copy) {
    return;
  }
  D3DSURFACE_DESC desc = {};
  if (FAILED(copy->GetLevelDesc(0, &desc)) || desc.Width < UINT(kLuminanceSize) ||
      desc.Height < UINT(kLuminanceSize) || (desc.Format != D3DFMT_X8R8G8B8 && desc.Format != D3DFMT_A8R8G8B8)) {
    return;
  }
  D3DLOCKED_RECT locked = {};
  if (FAILED(copy->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return;
  const unsigned char* bits = static_cast<const unsigned char*>(locked.pBits);
  for (int y = 0; y < kLuminanceSize; ++y) {
    const unsigned char* row = bits + ptrdiff_t(y) * locked.Pitch;
    for (int x = 0; x < kLuminanceSize; ++x) {
      const float blue = float(row[4 * x]);
      const float green = float(row[4 * x + 1]);
      const float red = float(row[4 * x + 2]);
      m_luminance[size_t(y) * kLuminanceSize + size_t(x)] =
          0.299f * red / 255.0f + 0.587f * green / 255.0f + 0.114f * blue / 255.0f;
    }
  }
  copy->UnlockRect(0);
}

// ---- frame ----

void DS_MatrixCodeLight::Update(float t) { m_time = t; }

float DS_MatrixCodeLight::LuminanceAt(int column, int row, int columns, int rows) const {
  if (m_luminance.size() < size_t(kLuminanceSize) * kLuminanceSize || columns <= 0 || rows <= 0) return 1.0f;
  const int64_t y = std::min<int64_t>(int64_t(kLuminanceSize) * std::max(row, 0) / rows, kLuminanceSize - 1);
  const int64_t x = std::min<int64_t>(int64_t(kLuminanceSize) * std::max(column, 0) / columns, kLuminanceSize - 1);
  return m_luminance[size_t(y * kLuminanceSize + x)];
}

D3DCOLOR DS_MatrixCodeLight::GlyphColor(const DS_MatrixCodeGlyph& item) const {
  const float opacityNow = opacity.GetResult();
  float alpha = opacityNow;
  if (item.cellClass == DS_MatrixCodeGlyph::kFading) alpha *= 0.5f;
  if (drawMode.GetValue() == kDrawLuminance && item.cellClass != DS_MatrixCodeGlyph::kHighlighted) {
    const int columns = m_rain ? m_rain->Grid().GetColumns() : 0;
    const int rows = m_rain ? m_rain->Grid().GetRows() : 0;
    alpha = LuminanceAt(item.column, item.row, columns, rows) * opacityNow;
  }
  const unsigned long color =
      item.cellClass == DS_MatrixCodeGlyph::kHighlighted ? highlightColor.GetValue() : glyphColor.GetValue();
  const unsigned red = unsigned(color & 0xFF);
  const unsigned green = unsigned((color >> 8) & 0xFF);
  const unsigned blue = unsigned((color >> 16) & 0xFF);
  const D3DCOLOR argb = (GlyphAlphaByte(alpha) << 24) | (red << 16) | (green << 8) | blue;
  return argb & item.colorMask;
}

void DS_MatrixCodeLight::UpdateGlyphs(float t) {
  m_camera.Update(t);
  if (!m_rain) return;

  const DS_ScreenQuad& quad = g_PictureQuad;
  const float left = quad.v[DS_ScreenQuad::kLeftBottom].x;
  const float top = quad.v[DS_ScreenQuad::kLeftTop].y;
  const float fittedWidth = quad.v[DS_ScreenQuad::kRightTop].x - left;
  const float fittedHeight = quad.v[DS_ScreenQuad::kRightBottom].y - top;
  // Back-buffer pixels per picture pixel; a layer without a picture maps one to one.
  const float sx = g_SceneWidth > 0 ? fittedWidth / float(g_SceneWidth) : 1.0f;
  const float sy = g_SceneHeight > 0 ? fittedHeight / float(g_SceneHeight) : 1.0f;
  DS_MatrixCodeGrid& grid = m_rain->Grid();
  const float size = float(unsigned(grid.GetCellSize()));
  const float halfWidth = size * 0.5f * sx * m_targetScaleX;
  const float halfHeight = size * 0.5f * sy * m_targetScaleY;

  const int quadCount = m_batch.GetQuadCount();
  m_rain->BeginFrame();
  // A grid that filled every quad last frame only writes blanks until it thins out.
  grid.StepColumns(m_rain->GetPreviousCount() >= quadCount);
  grid.SpawnStreams();

  m_batch.Lock();
  D3DXMATRIX zoom;
  D3DXMatrixIdentity(&zoom);
  if (const DS_ViewContext* view = g_CurrentViewContext) {
    if (view->GetFitType() == DS_ViewContext::kFitRenderTarget) {
      zoom = view->GetFitZoom();
    } else {
      D3DXMatrixMultiply(&zoom, &view->GetCamera(), &view->GetFitZoom());
    }
  }
  const float zx = zoom._11;
  const float zy = zoom._22;
  // The zoom's offsets in picture pixels, then in back-buffer pixels.
  const float ox = zx != 0 ? zoom._41 / zx : 0.0f;
  const float oy = zy != 0 ? zoom._42 / zy : 0.0f;
  const float dx = ox * sx * zx;
  const float dy = oy * sy * zy;

  DS_MatrixCodeGlyph item;
  item.halfWidth = halfWidth;
  item.halfHeight = halfHeight;
  for (int i = 0; i < quadCount; ++i) {
    // After the last visible cell the item's mask has alpha 0: the rest stay unseen.
    m_rain->NextCell(item);
    m_batch.SetQuad(i, left + (item.x - left) * zx + dx, top + (item.y - top) * zy + dy, item.z, halfWidth * zx, 0,
                    0, 0, halfHeight * zy, 0);
    m_batch.SetQuadColor(i, GlyphColor(item));
    m_batch.SetQuadTexCoords(i, item.uLeft, item.uRight, item.vTop, item.vBottom);
  }
  m_batch.Unlock();
}

void DS_MatrixCodeLight::Render(bool noClear) {
  UpdateGlyphs(m_time);
  const int mode = drawMode.GetValue();
  if (mode == kDrawOverPicture) DS_2D_Light::Render(noClear);
  if (!g_CurrentDevice) return;
  if (mode == kDrawLuminance) g_CurrentDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  SetDrawStates(kGlyphDraw);
  m_batch.Draw();
}

void DS_MatrixCodeLight::SetFitType(int type) {
  DS_2D_Light::SetFitType(type);
  RebuildGrid();
  ResizeBatch();
}

void DS_MatrixCodeLight::OnImageChanged() {
  BindPicture();
  DS_2D_Light::SetSize(m_width, m_height);
  BuildLuminanceMap();
  RebuildGrid();
  ResizeBatch();
}

// ---- off-screen targets ----

void DS_MatrixCodeLight::BeginTarget(const DS_RenderTargetPair& pair, int fitType) {
  DS_2D_Light::BeginTarget(pair, fitType);
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  // Without a back buffer there is nothing to scale against.
  m_targetScaleX = desc.Width > 0 ? float(unsigned(pair.GetWidth())) / float(desc.Width) : 1.0f;
  m_targetScaleY = desc.Height > 0 ? float(unsigned(pair.GetHeight())) / float(desc.Height) : 1.0f;
}

void DS_MatrixCodeLight::EndTarget() {
  DS_2D_Light::EndTarget();
  m_targetScaleX = 1.0f;
  m_targetScaleY = 1.0f;
}
