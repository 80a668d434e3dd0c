// The effects compiled at build time, loaded by D3DX on the test device: each as its
// source declares it, each with the techniques and parameters the objects set, and
// their techniques drawing real pixels.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "EffectManifest.h"
#include "device/ComHolder.h"
#include "render/VertexFormats.h"
#include "support/CompiledEffects.h"
#include "support/TestDevice.h"

namespace {

using ds_test::ColorText;
using ds_test::PixelNear;
using ds_test::Image;
using ds_test::kTestDeviceHeight;
using ds_test::kTestDeviceWidth;

// Runs `draw` inside every pass of the effect's current technique.
template <class Draw>
void DrawThroughEffect(ID3DXEffect* effect, Draw draw) {
  UINT passes = 0;
  ASSERT_TRUE(SUCCEEDED(effect->Begin(&passes, 0)));
  for (UINT p = 0; p < passes; ++p) {
    EXPECT_TRUE(SUCCEEDED(effect->BeginPass(p))) << "pass " << p;
    draw();
    effect->EndPass();
  }
  effect->End();
}

class CompiledEffectsTest : public ds_test::DeviceTest {
protected:
  DS_ComHolder<ID3DXEffect> Load(const char* name) {
    DS_ComHolder<ID3DXEffect> effect;
    const HRESULT hr = ds_test::CreateCompiledEffect(device, name, effect.Receive());
    EXPECT_TRUE(SUCCEEDED(hr) && effect) << name << ": D3DXCreateEffect gave " << ColorText(uint32_t(hr));
    return effect;
  }
};

// --- every effect as its source declares it ------------------------------------------

TEST_F(CompiledEffectsTest, EveryEffectLoadsWithWhatItsSourceDeclares) {
  ASSERT_GT(sizeof(ds_effects::kDeclaredEffects), 0u);
  for (const ds_effects::DeclaredEffect& declared : ds_effects::kDeclaredEffects) {
    SCOPED_TRACE(declared.name);
    DS_ComHolder<ID3DXEffect> effect = Load(declared.name);
    if (!effect) continue;

    D3DXEFFECT_DESC desc = {};
    ASSERT_TRUE(SUCCEEDED(effect->GetDesc(&desc)));
    EXPECT_EQ(desc.Techniques, declared.techniqueCount);
    EXPECT_EQ(desc.Parameters, declared.parameterCount);

    for (size_t t = 0; t < declared.techniqueCount; ++t) {
      const ds_effects::DeclaredTechnique& technique = declared.techniques[t];
      SCOPED_TRACE(technique.name);
      D3DXHANDLE handle = effect->GetTechniqueByName(technique.name);
      ASSERT_NE(handle, nullptr);
      D3DXTECHNIQUE_DESC techniqueDesc = {};
      ASSERT_TRUE(SUCCEEDED(effect->GetTechniqueDesc(handle, &techniqueDesc)));
      EXPECT_EQ(techniqueDesc.Passes, technique.passes);
      // Every shader of the technique was made on the device.
      EXPECT_TRUE(SUCCEEDED(effect->ValidateTechnique(handle)));
      ASSERT_TRUE(SUCCEEDED(effect->SetTechnique(handle)));
      // Every pass sets its states and shaders.
      DrawThroughEffect(effect.Get(), [] {});
    }

    for (size_t p = 0; p < declared.parameterCount; ++p) {
      const ds_effects::DeclaredParameter& parameter = declared.parameters[p];
      SCOPED_TRACE(parameter.name);
      D3DXHANDLE handle = effect->GetParameterByName(nullptr, parameter.name);
      ASSERT_NE(handle, nullptr);
      D3DXPARAMETER_DESC parameterDesc = {};
      ASSERT_TRUE(SUCCEEDED(effect->GetParameterDesc(handle, &parameterDesc)));
      EXPECT_EQ(parameterDesc.Type, parameter.type);
      EXPECT_EQ(parameterDesc.Class, parameter.cls);
      EXPECT_EQ(parameterDesc.Elements, parameter.elements);
      EXPECT_EQ(parameterDesc.Annotations, parameter.annotations);
      if (parameter.cls == D3DXPC_OBJECT) continue;
      EXPECT_EQ(parameterDesc.Rows, parameter.rows);
      EXPECT_EQ(parameterDesc.Columns, parameter.columns);
      // The default, as the source gives it.
      std::vector<unsigned> value(parameter.valueCount, 0xDEADBEEFu);
      ASSERT_TRUE(SUCCEEDED(effect->GetValue(handle, value.data(), UINT(value.size() * sizeof(unsigned)))));
      for (unsigned v = 0; v < parameter.valueCount; ++v)
        EXPECT_EQ(value[v], parameter.values[v]) << "value " << v;
    }
  }
}

// --- the names the objects set ---------------------------------------------------------

enum class Kind { Texture, Float, Float2, Float3, Float4, Matrix };

struct RequiredParameter {
  const char* name;
  Kind kind;
};

struct RequiredEffect {
  const char* effect;
  std::vector<const char*> techniques;
  std::vector<RequiredParameter> parameters;
};

// What the drawing code selects and sets on each effect, by name.
const RequiredEffect kRequired[] = {
    // The glow of effect-drawn sprite systems.
    {"glow",
     {"Blend_Max", "Blend_Screen", "Blend_Normal", "Common"},
     {{"Texture1", Kind::Texture}, {"Texture2", Kind::Texture}, {"BlendColor", Kind::Float4}}},
    // The textured particle generators' masks and composites, and the glowing
    // families' (falling stars, fireworks, lightning) cores and glows.
    {"particles",
     {"BlendMask", "JoinMask", "CommonTex", "Blend_ScreenTex", "Blend_ColorDodgeTex", "Blend_SumTex", "BlendMask_Max",
      "BlendMask_MaxWrapU", "Main"},
     {{"Texture1", Kind::Texture}, {"Texture2", Kind::Texture}, {"Texture3", Kind::Texture}}},
    // The effect brushes: every one sets the mask, the picture and the zoom.
    {"background_copy",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture}, {"Background", Kind::Texture}, {"Scale", Kind::Float2}, {"offset", Kind::Float2}}},
    {"light",
     {"Main", "MainFX", "Blend_Normal", "Blend_Screen", "PS_ColorDodge", "Blend_Sum"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float2},
      {"multiplier", Kind::Float},
      {"Texture1", Kind::Texture},
      {"Texture2", Kind::Texture},
      {"BlendColor", Kind::Float4}}},
    {"waves",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float2},
      {"direction", Kind::Float2},
      {"direction_n", Kind::Float2},
      {"frequency", Kind::Float},
      {"amplitude", Kind::Float},
      {"time", Kind::Float}}},
    {"pattern",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float2},
      {"Pattern", Kind::Texture},
      {"mix_color", Kind::Float4},
      {"scale", Kind::Float2},
      {"offset", Kind::Float2},
      {"coord_transf", Kind::Float4}}},
    {"underwater",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float2},
      {"frequency", Kind::Float2},
      {"amplitude", Kind::Float},
      {"time", Kind::Float}}},
    {"water",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float2},
      {"BumpMap", Kind::Texture},
      {"BampTrans", Kind::Float4},
      {"P1", Kind::Float3},
      {"P2", Kind::Float3},
      {"Time", Kind::Float},
      {"Direction1", Kind::Float2},
      {"Direction2", Kind::Float2},
      {"Shadows", Kind::Float},
      {"Vhalf", Kind::Float3},
      {"Color", Kind::Float3}}},
    {"move",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture}, {"Background", Kind::Texture}, {"Scale", Kind::Float2}, {"Direction", Kind::Float2}}},
    {"fire",
     {"Main", "AsEffect"},
     {{"WorldViewProj", Kind::Matrix},
      {"ViewProj", Kind::Matrix},
      {"Noise", Kind::Texture},
      {"Pattern", Kind::Texture},
      {"c11", Kind::Float2},
      {"c12", Kind::Float2},
      {"c13", Kind::Float2},
      {"ColorK1", Kind::Float3},
      {"ColorK2", Kind::Float3},
      {"bg_scale_factor", Kind::Float2},
      {"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Brightness", Kind::Float},
      {"Density", Kind::Float}}},
    {"expand",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float2},
      {"amplitude", Kind::Float2},
      {"center", Kind::Float2}}},
    {"radial_waves",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float2},
      {"bg_scale_factor", Kind::Float2},
      {"center", Kind::Float2},
      {"frequency", Kind::Float},
      {"amplitude", Kind::Float},
      {"time", Kind::Float}}},
    // The document's own brush effects: the waterfall draws its region in two kinds
    // of pass of its own; the clouds read their picture as "Background".
    {"waterfall",
     {"Noise", "ColorWaves"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"NoiseMap", Kind::Texture},
      {"noise_shift", Kind::Float2},
      {"bump_scale", Kind::Float2},
      {"noise_amplitude", Kind::Float},
      {"base_color", Kind::Float3},
      {"treshold", Kind::Float},
      {"shift", Kind::Float2},
      {"transluency", Kind::Float}}},
    {"cloud",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float2},
      {"Threshold", Kind::Float},
      {"Density", Kind::Float},
      {"ColorK1", Kind::Float3},
      {"ColorK2", Kind::Float3},
      {"Velocity", Kind::Float2},
      {"mask_tex_shift", Kind::Float4},
      {"PX_Transform", Kind::Float},
      {"PY_TransformH", Kind::Float},
      {"PY_TransformZ", Kind::Float},
      {"tex_shift", Kind::Float4}}},
    {"rotation",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float2},
      {"coord_transf", Kind::Float4},
      {"offset", Kind::Float2},
      {"mix_color", Kind::Float4}}},
    // The bend's "Scale" carries the zoom's inverse too.
    {"bend",
     {"Main", "MainFX"},
     {{"Mask", Kind::Texture},
      {"Background", Kind::Texture},
      {"Scale", Kind::Float4},
      {"Center", Kind::Float2},
      {"Angle", Kind::Float},
      {"Bend", Kind::Float}}},
    // The flame layer's heat shimmer.
    {"heat_distortion",
     {"BumpmapDistortLow2"},
     {{"SceneTex", Kind::Texture},
      {"Bumpmap", Kind::Texture},
      {"stenght", Kind::Float},
      {"Offset", Kind::Float2},
      {"bump_scale", Kind::Float2}}},
    // The static sprite animation.
    {"animation", {"Blend_Normal"}, {{"Texture", Kind::Texture}, {"Color", Kind::Float4}}},
    {"explosion",
     {"Main"},
     {{"GradientTex", Kind::Texture},
      {"NoiseTex", Kind::Texture},
      {"color1", Kind::Float3},
      {"color2", Kind::Float3},
      {"noise_shift", Kind::Float4},
      {"noise_params", Kind::Float3},
      {"time", Kind::Float2},
      {"phase_3rd", Kind::Float2},
      {"phase_1st", Kind::Float}}},
    {"text", {"CommonVretexColor", "ScrollText"}, {{"Texture1", Kind::Texture}, {"Shift", Kind::Float2}}},
    {"plant",
     {"Main"},
     {{"Texture", Kind::Texture},
      {"Time", Kind::Float},
      {"Frequency", Kind::Float},
      {"WMagnitude", Kind::Float},
      {"BMagnitude", Kind::Float},
      {"color", Kind::Float4}}},
};

TEST_F(CompiledEffectsTest, EachEffectOffersWhatItsObjectsSet) {
  for (const RequiredEffect& required : kRequired) {
    SCOPED_TRACE(required.effect);
    DS_ComHolder<ID3DXEffect> effect = Load(required.effect);
    if (!effect) continue;
    for (const char* technique : required.techniques)
      EXPECT_NE(effect->GetTechniqueByName(technique), nullptr) << "technique " << technique;
    for (const RequiredParameter& parameter : required.parameters) {
      D3DXHANDLE handle = effect->GetParameterByName(nullptr, parameter.name);
      ASSERT_NE(handle, nullptr) << "parameter " << parameter.name;
      D3DXPARAMETER_DESC desc = {};
      ASSERT_TRUE(SUCCEEDED(effect->GetParameterDesc(handle, &desc)));
      if (parameter.kind == Kind::Texture) {
        EXPECT_EQ(desc.Class, D3DXPC_OBJECT) << parameter.name;
        EXPECT_TRUE(desc.Type >= D3DXPT_TEXTURE && desc.Type <= D3DXPT_TEXTURECUBE) << parameter.name;
      } else {
        EXPECT_EQ(desc.Type, D3DXPT_FLOAT) << parameter.name;
        EXPECT_EQ(desc.Elements, 0u) << parameter.name;
        switch (parameter.kind) {
          case Kind::Float:
            EXPECT_EQ(desc.Class, D3DXPC_SCALAR) << parameter.name;
            break;
          case Kind::Matrix:
            EXPECT_TRUE(desc.Class == D3DXPC_MATRIX_ROWS || desc.Class == D3DXPC_MATRIX_COLUMNS) << parameter.name;
            EXPECT_EQ(desc.Rows, 4u) << parameter.name;
            EXPECT_EQ(desc.Columns, 4u) << parameter.name;
            break;
          default:
            EXPECT_EQ(desc.Class, D3DXPC_VECTOR) << parameter.name;
            EXPECT_EQ(desc.Rows, 1u) << parameter.name;
            EXPECT_EQ(desc.Columns, parameter.kind == Kind::Float2 ? 2u : parameter.kind == Kind::Float3 ? 3u : 4u)
                << parameter.name;
        }
      }
    }
  }
}

// --- pixels ------------------------------------------------------------------------------

const int kTextureSize = 64;
// A texture whose left half is `left` and right half `right`.
DS_ComHolder<IDirect3DTexture9> Halves(uint32_t left, uint32_t right) {
  return ds_test::MakeTexture(kTextureSize, kTextureSize,
                              [=](int x, int) { return x < kTextureSize / 2 ? left : right; });
}
DS_ComHolder<IDirect3DTexture9> Solid(uint32_t colour) { return Halves(colour, colour); }

// Well inside the left and the right half of the target, away from the filtered seam.
const int kLeftX = kTestDeviceWidth / 8;
const int kRightX = kTestDeviceWidth - kTestDeviceWidth / 8;
const int kMiddleY = kTestDeviceHeight / 2;

// Texture coordinates of a quad: u from `left` to `right`, v from `top` to `bottom`.
struct QuadUV {
  float left, right, top, bottom;
};

// Draws a quad over the whole of the current target through the effect's current
// technique, in the vertex colour given; texture coordinates 0..1 unless `uv` says.
void DrawFullQuad(IDirect3DDevice9* device, ID3DXEffect* effect, int width, int height, D3DCOLOR colour,
                  const QuadUV& uv = {0.0f, 1.0f, 0.0f, 1.0f}) {
  // Pixel centres on texel centres: corners half a pixel up and left.
  const float l = -0.5f, t = -0.5f, r = float(width) - 0.5f, b = float(height) - 0.5f;
  const DX_V::SCT quad[4] = {
      {l, b, 0.0f, 1.0f, colour, uv.left, uv.bottom},
      {l, t, 0.0f, 1.0f, colour, uv.left, uv.top},
      {r, b, 0.0f, 1.0f, colour, uv.right, uv.bottom},
      {r, t, 0.0f, 1.0f, colour, uv.right, uv.top},
  };
  device->SetFVF(DX_V::SCT::FVF);
  DrawThroughEffect(effect, [&] { device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(DX_V::SCT)); });
}

// A composite over the whole picture: what each technique makes of the scene where the
// layer covers it (left half) and where it does not (right half).
struct CompositeCase {
  const char* effect;
  const char* technique;
  const char* layerParameter;  // the texture holding the layer (glow or particle target)
  const char* sceneParameter;  // the texture holding the scene, or null: drawn over it
  uint32_t layerLeft;          // the layer's colour and coverage in the left half
  uint32_t expectedLeft;
  const char* coreParameter = nullptr;  // a second layer laid over the first, or null
  uint32_t coreLeft = 0;
};

// The scene: (0.2, 0.4, 0.6). The glow layer covers fully, in BlendColor (1, 0, 0) at
// strength 0.5; the particle layer is red at coverage 128 / 255.
const uint32_t kScene = 0xFF336699;
const float kBlendColor[4] = {1.0f, 0.0f, 0.0f, 0.5f};

const CompositeCase kComposites[] = {
    // screen: 0.2 + 0.5 - 0.2 * 0.5 = 0.6 (153)
    {"glow", "Blend_Screen", "Texture2", "Texture1", 0xFF000000, 0xFF996699},
    // mixed halfway towards the glow colour: (0.6, 0.2, 0.3)
    {"glow", "Blend_Normal", "Texture2", "Texture1", 0xFF000000, 0xFF99334C},
    // alpha blended: 51 * 0.498 + 255 * 0.502, 102 * 0.498, 153 * 0.498
    {"particles", "CommonTex", "Texture1", nullptr, 0x80FF0000, 0xFF99334C},
    // screen with (0.502, 0, 0): red 0.2 + 0.502 - 0.1 = 0.60 (153)
    {"particles", "Blend_ScreenTex", "Texture2", "Texture1", 0x80FF0000, 0xFF996699},
    // colour dodge: red 0.2 / (1 - 0.502) = 0.40 (102)
    {"particles", "Blend_ColorDodgeTex", "Texture2", "Texture1", 0x80FF0000, 0xFF666699},
    // added: red 51 + 128
    {"particles", "Blend_SumTex", "Texture1", nullptr, 0x80FF0000, 0xFFB36699},
    // The coloured light over its white mask, at strength 0.5: as the glow above, dodged
    // as the particles, and added.
    {"light", "Blend_Normal", "Texture2", "Texture1", 0xFFFFFFFF, 0xFF99334C},
    {"light", "Blend_Screen", "Texture2", "Texture1", 0xFFFFFFFF, 0xFF996699},
    {"light", "PS_ColorDodge", "Texture2", "Texture1", 0xFFFFFFFF, 0xFF666699},
    {"light", "Blend_Sum", "Texture2", "Texture1", 0xFFFFFFFF, 0xFFB36699},
    // glows screened over the scene, red 0.2 + 0.502 - 0.1 = 0.60, then the cores
    // (premultiplied green 0.25 at coverage 0.502) over that: (0.30, 0.45, 0.30)
    {"particles", "Main", "Texture2", "Texture1", 0xFF800000, 0xFF4C734C, "Texture3", 0x80004000},
};

TEST_F(CompiledEffectsTest, CompositesLayTheLayerOverTheSceneAndLeaveTheRest) {
  for (const CompositeCase& c : kComposites) {
    SCOPED_TRACE(std::string(c.effect) + " " + c.technique);
    DS_ComHolder<ID3DXEffect> effect = Load(c.effect);
    if (!effect) continue;
    DS_ComHolder<IDirect3DTexture9> scene = Solid(kScene);
    DS_ComHolder<IDirect3DTexture9> layer = Halves(c.layerLeft, 0x00000000);
    DS_ComHolder<IDirect3DTexture9> core = Halves(c.coreLeft, 0x00000000);
    ASSERT_TRUE(scene && layer && core);
    // Techniques that read the scene replace it; the others draw over it.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, c.sceneParameter ? 0xFF000000 : kScene, 1.0f, 0);
    ASSERT_TRUE(SUCCEEDED(effect->SetTechnique(c.technique)));
    ASSERT_TRUE(SUCCEEDED(effect->SetTexture(c.layerParameter, layer.Get())));
    if (c.sceneParameter) {
      ASSERT_TRUE(SUCCEEDED(effect->SetTexture(c.sceneParameter, scene.Get())));
    }
    if (c.coreParameter) {
      ASSERT_TRUE(SUCCEEDED(effect->SetTexture(c.coreParameter, core.Get())));
    }
    effect->SetFloatArray("BlendColor", kBlendColor, 4);  // the particle effect has none
    ASSERT_TRUE(SUCCEEDED(device->BeginScene()));
    DrawFullQuad(device, effect.Get(), kTestDeviceWidth, kTestDeviceHeight, 0xFFFFFFFF);
    device->EndScene();

    Image image;
    ASSERT_TRUE(ds_test::ReadBackBuffer(image));
    EXPECT_TRUE(PixelNear(image, kLeftX, kMiddleY, c.expectedLeft, 2, false, "effects_failure")) << "under the layer";
    EXPECT_TRUE(PixelNear(image, kRightX, kMiddleY, kScene, 2, false, "effects_failure")) << "beside the layer";
  }
}

// A mask pass: quads drawn one after the other into an off-screen target cleared to
// `clear`; what the target holds, alpha included.
struct MaskCase {
  const char* effect;
  const char* technique;
  uint32_t clear;
  std::vector<D3DCOLOR> quads;  // vertex colours over a white, opaque picture
  uint32_t expected;
};

const MaskCase kMasks[] = {
    // The stronger glow wins in each channel, alpha included.
    {"glow", "Blend_Max", 0x00000000, {0xFF400080, 0x80FF2000}, 0xFFFF2080},
    // Each particle's own colour, the one below showing through what the one above
    // leaves uncovered: blue + red x 0.498, at coverage 0.502 + 0.502 x 0.498. A
    // single particle leaves its colour unweighted (the composite weighs it once).
    {"particles", "BlendMask", 0x00000000, {0x80FF0000, 0x800000FF}, 0xC07F00FF},
    {"particles", "BlendMask", 0x00000000, {0x80FF0000}, 0x80FF0000},
    // Over the transparent white the faint red stays light: red mixed with white
    // halfway, coverage that of the red.
    {"particles", "JoinMask", 0x00FFFFFF, {0x80FF0000}, 0x80FF7F7F},
    // Weighted by their opacity, the brighter wins in each channel: (0.25, 0, 0.5, 1)
    // against (0.502, 0.063, 0, 0.502).
    {"particles", "BlendMask_Max", 0x00000000, {0xFF400080, 0x80FF2000}, 0xFF801080},
    {"particles", "BlendMask_MaxWrapU", 0x00000000, {0xFF400080, 0x80FF2000}, 0xFF801080},
};

TEST_F(CompiledEffectsTest, MaskPassesGatherParticlesIntoTheTarget) {
  DS_ComHolder<IDirect3DTexture9> target;
  ASSERT_TRUE(SUCCEEDED(device->CreateTexture(kTextureSize, kTextureSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                              D3DPOOL_DEFAULT, target.Receive(), nullptr)));
  DS_ComHolder<IDirect3DSurface9> surface;
  ASSERT_TRUE(SUCCEEDED(target->GetSurfaceLevel(0, surface.Receive())));
  DS_ComHolder<IDirect3DTexture9> white = Solid(0xFFFFFFFF);
  ASSERT_TRUE(white);

  for (const MaskCase& c : kMasks) {
    SCOPED_TRACE(std::string(c.effect) + " " + c.technique);
    DS_ComHolder<ID3DXEffect> effect = Load(c.effect);
    if (!effect) continue;
    ASSERT_TRUE(SUCCEEDED(device->SetRenderTarget(0, surface.Get())));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, c.clear, 1.0f, 0);
    ASSERT_TRUE(SUCCEEDED(effect->SetTechnique(c.technique)));
    ASSERT_TRUE(SUCCEEDED(effect->SetTexture("Texture1", white.Get())));
    ASSERT_TRUE(SUCCEEDED(device->BeginScene()));
    for (D3DCOLOR colour : c.quads) DrawFullQuad(device, effect.Get(), kTextureSize, kTextureSize, colour);
    device->EndScene();
    ds_test::RestoreDefaultTargets();

    Image image;
    ASSERT_TRUE(ds_test::ReadTexture(target.Get(), image));
    EXPECT_TRUE(PixelNear(image, kTextureSize / 2, kTextureSize / 2, c.expected, 2, true, "effects_failure"));
  }
}

// How the glowing families' mask passes address their picture beyond 0..1: a picture
// of four coloured quarters (red left, green right, blue added in the top half) drawn
// with texture coordinates from -1 to 2 both ways, read at u and v of about -0.27 and
// 1.23. The falling stars' and fireworks' pass clamps both ways; the lightning's
// repeats its picture along the bolt (u) and clamps across it (v).
struct AddressingCase {
  const char* technique;
  uint32_t expected[2][2];  // [v low, v high][u low, u high]
};

const AddressingCase kAddressing[] = {
    {"BlendMask_Max", {{0xFFFF00FF, 0xFF00FFFF}, {0xFFFF0000, 0xFF00FF00}}},
    {"BlendMask_MaxWrapU", {{0xFF00FFFF, 0xFFFF00FF}, {0xFF00FF00, 0xFFFF0000}}},
};

TEST_F(CompiledEffectsTest, TheLightningsMaskPassRepeatsItsPictureAlongAndClampsAcross) {
  DS_ComHolder<IDirect3DTexture9> target;
  ASSERT_TRUE(SUCCEEDED(device->CreateTexture(kTextureSize, kTextureSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                              D3DPOOL_DEFAULT, target.Receive(), nullptr)));
  DS_ComHolder<IDirect3DSurface9> surface;
  ASSERT_TRUE(SUCCEEDED(target->GetSurfaceLevel(0, surface.Receive())));
  const int half = kTextureSize / 2;
  DS_ComHolder<IDirect3DTexture9> quarters = ds_test::MakeTexture(kTextureSize, kTextureSize, [=](int x, int y) {
    return 0xFF000000u | (x < half ? 0xFF0000u : 0x00FF00u) | (y < half ? 0x0000FFu : 0u);
  });
  ASSERT_TRUE(quarters);
  DS_ComHolder<ID3DXEffect> effect = Load("particles");
  ASSERT_TRUE(effect);
  // Texture coordinate -1 + 3 (x + 0.5) / 64: about -0.27 at 15 and 1.23 at 47.
  const int at[2] = {15, 47};

  for (const AddressingCase& c : kAddressing) {
    SCOPED_TRACE(c.technique);
    ASSERT_TRUE(SUCCEEDED(device->SetRenderTarget(0, surface.Get())));
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    ASSERT_TRUE(SUCCEEDED(effect->SetTechnique(c.technique)));
    ASSERT_TRUE(SUCCEEDED(effect->SetTexture("Texture1", quarters.Get())));
    ASSERT_TRUE(SUCCEEDED(device->BeginScene()));
    DrawFullQuad(device, effect.Get(), kTextureSize, kTextureSize, 0xFFFFFFFF, {-1.0f, 2.0f, -1.0f, 2.0f});
    device->EndScene();
    ds_test::RestoreDefaultTargets();

    Image image;
    ASSERT_TRUE(ds_test::ReadTexture(target.Get(), image));
    for (int row = 0; row < 2; ++row) {
      for (int column = 0; column < 2; ++column) {
        EXPECT_TRUE(PixelNear(image, at[column], at[row], c.expected[row][column], 2, true, "effects_failure"))
            << "u " << (column ? "beyond 1" : "below 0") << ", v " << (row ? "beyond 1" : "below 0");
      }
    }
  }
}

// The test's own effect: a matrix set with SetMatrix, read by a vertex shader.
TEST_F(CompiledEffectsTest, AMatrixSetOnTheEffectReachesTheVertexShader) {
  DS_ComHolder<ID3DXEffect> effect = Load("vertex_transform");
  ASSERT_TRUE(effect);
  // The unit square onto the bottom-left quarter of the target (clip space x from -1
  // to 0, y from -1 to 0); the translation lands in the wrong row if the matrix
  // reaches the shader transposed.
  D3DXMATRIX scale, shift, matrix;
  D3DXMatrixScaling(&scale, 1.0f, 1.0f, 1.0f);
  D3DXMatrixTranslation(&shift, -1.0f, -1.0f, 0.0f);
  D3DXMatrixMultiply(&matrix, &scale, &shift);
  ASSERT_TRUE(SUCCEEDED(effect->SetMatrix("WorldViewProj", &matrix)));
  const float green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  ASSERT_TRUE(SUCCEEDED(effect->SetFloatArray("Tint", green, 4)));
  ASSERT_TRUE(SUCCEEDED(effect->SetTechnique("Transform")));

  const DX_V::PT square[4] = {
      {0.0f, 0.0f, 0.0f, 0.0f, 1.0f},
      {0.0f, 1.0f, 0.0f, 0.0f, 0.0f},
      {1.0f, 0.0f, 0.0f, 1.0f, 1.0f},
      {1.0f, 1.0f, 0.0f, 1.0f, 0.0f},
  };
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000080, 1.0f, 0);
  ASSERT_TRUE(SUCCEEDED(device->BeginScene()));
  device->SetFVF(DX_V::PT::FVF);
  DrawThroughEffect(effect.Get(), [&] { device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, square, sizeof(DX_V::PT)); });
  device->EndScene();

  Image image;
  ASSERT_TRUE(ds_test::ReadBackBuffer(image));
  const int top = kTestDeviceHeight / 4, bottom = kTestDeviceHeight - kTestDeviceHeight / 4;
  EXPECT_TRUE(PixelNear(image, kLeftX, bottom, 0xFF00FF00, 0, false, "effects_failure")) << "bottom left: the square";
  EXPECT_TRUE(PixelNear(image, kLeftX, top, 0xFF000080, 0, false, "effects_failure")) << "top left";
  EXPECT_TRUE(PixelNear(image, kRightX, bottom, 0xFF000080, 0, false, "effects_failure")) << "bottom right";
}

}  // namespace
