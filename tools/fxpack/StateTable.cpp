#include "StateTable.h"

#include <cctype>

namespace ds_fxpack {

namespace {

const StateValueName kBoolValues[] = {{"false", 0}, {"true", 1}, {nullptr, 0}};
const StateValueName kZBufferValues[] = {{"false", 0}, {"true", 1}, {"UseW", 2}, {nullptr, 0}};
const StateValueName kFillValues[] = {{"Point", 1}, {"Wireframe", 2}, {"Solid", 3}, {nullptr, 0}};
const StateValueName kShadeValues[] = {{"Flat", 1}, {"Gouraud", 2}, {"Phong", 3}, {nullptr, 0}};
const StateValueName kBlendValues[] = {
    {"Zero", 1}, {"One", 2}, {"SrcColor", 3}, {"InvSrcColor", 4}, {"SrcAlpha", 5},
    {"InvSrcAlpha", 6}, {"DestAlpha", 7}, {"InvDestAlpha", 8}, {"DestColor", 9},
    {"InvDestColor", 10}, {"SrcAlphaSat", 11}, {"BothSrcAlpha", 12}, {"BothInvSrcAlpha", 13},
    {"BlendFactor", 14}, {"InvBlendFactor", 15}, {nullptr, 0}};
const StateValueName kBlendOpValues[] = {{"Add", 1}, {"Subtract", 2}, {"RevSubtract", 3},
                                         {"Min", 4}, {"Max", 5}, {nullptr, 0}};
const StateValueName kCullValues[] = {{"None", 1}, {"CW", 2}, {"CCW", 3}, {nullptr, 0}};
const StateValueName kCmpValues[] = {
    {"Never", 1}, {"Less", 2}, {"Equal", 3}, {"LessEqual", 4}, {"Greater", 5},
    {"NotEqual", 6}, {"GreaterEqual", 7}, {"Always", 8}, {nullptr, 0}};
const StateValueName kStencilOpValues[] = {
    {"Keep", 1}, {"Zero", 2}, {"Replace", 3}, {"IncrSat", 4}, {"DecrSat", 5},
    {"Invert", 6}, {"Incr", 7}, {"Decr", 8}, {nullptr, 0}};
const StateValueName kFogValues[] = {{"None", 0}, {"Exp", 1}, {"Exp2", 2}, {"Linear", 3}, {nullptr, 0}};
const StateValueName kMaterialSourceValues[] = {{"Material", 0}, {"Color1", 1}, {"Color2", 2}, {nullptr, 0}};
const StateValueName kColorWriteValues[] = {{"Red", 1}, {"Green", 2}, {"Blue", 4}, {"Alpha", 8}, {nullptr, 0}};
const StateValueName kWrapValues[] = {{"U", 1}, {"V", 2}, {"W", 4}, {nullptr, 0}};
const StateValueName kTextureOpValues[] = {
    {"Disable", 1}, {"SelectArg1", 2}, {"SelectArg2", 3}, {"Modulate", 4}, {"Modulate2x", 5},
    {"Modulate4x", 6}, {"Add", 7}, {"AddSigned", 8}, {"AddSigned2x", 9}, {"Subtract", 10},
    {"AddSmooth", 11}, {"BlendDiffuseAlpha", 12}, {"BlendTextureAlpha", 13},
    {"BlendFactorAlpha", 14}, {"BlendTextureAlphaPM", 15}, {"BlendCurrentAlpha", 16},
    {"PreModulate", 17}, {"ModulateAlpha_AddColor", 18}, {"ModulateColor_AddAlpha", 19},
    {"ModulateInvAlpha_AddColor", 20}, {"ModulateInvColor_AddAlpha", 21}, {"BumpEnvMap", 22},
    {"BumpEnvMapLuminance", 23}, {"DotProduct3", 24}, {"MultiplyAdd", 25}, {"Lerp", 26},
    {nullptr, 0}};
const StateValueName kTextureArgValues[] = {
    {"Diffuse", 0}, {"Current", 1}, {"Texture", 2}, {"TFactor", 3}, {"Specular", 4},
    {"Temp", 5}, {"Constant", 6}, {"Complement", 0x10}, {"AlphaReplicate", 0x20}, {nullptr, 0}};
const StateValueName kTransformFlagValues[] = {{"Disable", 0}, {"Count1", 1}, {"Count2", 2},
                                               {"Count3", 3}, {"Count4", 4}, {"Projected", 256},
                                               {nullptr, 0}};
const StateValueName kAddressValues[] = {{"Wrap", 1}, {"Mirror", 2}, {"Clamp", 3}, {"Border", 4},
                                         {"MirrorOnce", 5}, {nullptr, 0}};
const StateValueName kFilterValues[] = {{"None", 0}, {"Point", 1}, {"Linear", 2}, {"Anisotropic", 3},
                                        {"PyramidalQuad", 6}, {"GaussianQuad", 7}, {nullptr, 0}};

const StateInfo kStates[] = {
    // Render states.
    {"ZEnable", 0x00, StateKind::Int, kZBufferValues, false},
    {"FillMode", 0x01, StateKind::Int, kFillValues, false},
    {"ShadeMode", 0x02, StateKind::Int, kShadeValues, false},
    {"ZWriteEnable", 0x03, StateKind::Bool, kBoolValues, false},
    {"AlphaTestEnable", 0x04, StateKind::Bool, kBoolValues, false},
    {"LastPixel", 0x05, StateKind::Bool, kBoolValues, false},
    {"SrcBlend", 0x06, StateKind::Int, kBlendValues, false},
    {"DestBlend", 0x07, StateKind::Int, kBlendValues, false},
    {"CullMode", 0x08, StateKind::Int, kCullValues, false},
    {"ZFunc", 0x09, StateKind::Int, kCmpValues, false},
    {"AlphaRef", 0x0A, StateKind::Int, nullptr, false},
    {"AlphaFunc", 0x0B, StateKind::Int, kCmpValues, false},
    {"DitherEnable", 0x0C, StateKind::Bool, kBoolValues, false},
    {"AlphaBlendEnable", 0x0D, StateKind::Bool, kBoolValues, false},
    {"FogEnable", 0x0E, StateKind::Bool, kBoolValues, false},
    {"SpecularEnable", 0x0F, StateKind::Bool, kBoolValues, false},
    {"FogColor", 0x10, StateKind::Int, nullptr, false},
    {"FogTableMode", 0x11, StateKind::Int, kFogValues, false},
    {"FogStart", 0x12, StateKind::Float, nullptr, false},
    {"FogEnd", 0x13, StateKind::Float, nullptr, false},
    {"FogDensity", 0x14, StateKind::Float, nullptr, false},
    {"RangeFogEnable", 0x15, StateKind::Bool, kBoolValues, false},
    {"StencilEnable", 0x16, StateKind::Bool, kBoolValues, false},
    {"StencilFail", 0x17, StateKind::Int, kStencilOpValues, false},
    {"StencilZFail", 0x18, StateKind::Int, kStencilOpValues, false},
    {"StencilPass", 0x19, StateKind::Int, kStencilOpValues, false},
    {"StencilFunc", 0x1A, StateKind::Int, kCmpValues, false},
    {"StencilRef", 0x1B, StateKind::Int, nullptr, false},
    {"StencilMask", 0x1C, StateKind::Int, nullptr, false},
    {"StencilWriteMask", 0x1D, StateKind::Int, nullptr, false},
    {"TextureFactor", 0x1E, StateKind::Int, nullptr, false},
    {"Wrap0", 0x1F, StateKind::Int, kWrapValues, false},
    {"Wrap1", 0x20, StateKind::Int, kWrapValues, false},
    {"Wrap2", 0x21, StateKind::Int, kWrapValues, false},
    {"Wrap3", 0x22, StateKind::Int, kWrapValues, false},
    {"Clipping", 0x2F, StateKind::Bool, kBoolValues, false},
    {"Lighting", 0x30, StateKind::Bool, kBoolValues, false},
    {"Ambient", 0x31, StateKind::Int, nullptr, false},
    {"FogVertexMode", 0x32, StateKind::Int, kFogValues, false},
    {"ColorVertex", 0x33, StateKind::Bool, kBoolValues, false},
    {"LocalViewer", 0x34, StateKind::Bool, kBoolValues, false},
    {"NormalizeNormals", 0x35, StateKind::Bool, kBoolValues, false},
    {"DiffuseMaterialSource", 0x36, StateKind::Int, kMaterialSourceValues, false},
    {"SpecularMaterialSource", 0x37, StateKind::Int, kMaterialSourceValues, false},
    {"AmbientMaterialSource", 0x38, StateKind::Int, kMaterialSourceValues, false},
    {"EmissiveMaterialSource", 0x39, StateKind::Int, kMaterialSourceValues, false},
    {"PointSize", 0x3C, StateKind::Float, nullptr, false},
    {"PointSpriteEnable", 0x3F, StateKind::Bool, kBoolValues, false},
    {"MultiSampleAntialias", 0x44, StateKind::Bool, kBoolValues, false},
    {"MultiSampleMask", 0x45, StateKind::Int, nullptr, false},
    {"ColorWriteEnable", 0x49, StateKind::Int, kColorWriteValues, false},
    {"BlendOp", 0x4B, StateKind::Int, kBlendOpValues, false},
    {"ScissorTestEnable", 0x4E, StateKind::Bool, kBoolValues, false},
    {"SlopeScaleDepthBias", 0x4F, StateKind::Float, nullptr, false},
    {"AntialiasedLineEnable", 0x50, StateKind::Bool, kBoolValues, false},
    {"TwoSidedStencilMode", 0x58, StateKind::Bool, kBoolValues, false},
    {"CCW_StencilFail", 0x59, StateKind::Int, kStencilOpValues, false},
    {"CCW_StencilZFail", 0x5A, StateKind::Int, kStencilOpValues, false},
    {"CCW_StencilPass", 0x5B, StateKind::Int, kStencilOpValues, false},
    {"CCW_StencilFunc", 0x5C, StateKind::Int, kCmpValues, false},
    {"BlendFactor", 0x60, StateKind::Int, nullptr, false},
    {"SRGBWriteEnable", 0x61, StateKind::Bool, kBoolValues, false},
    {"DepthBias", 0x62, StateKind::Float, nullptr, false},
    {"SeparateAlphaBlendEnable", 0x63, StateKind::Bool, kBoolValues, false},
    {"SrcBlendAlpha", 0x64, StateKind::Int, kBlendValues, false},
    {"DestBlendAlpha", 0x65, StateKind::Int, kBlendValues, false},
    {"BlendOpAlpha", 0x66, StateKind::Int, kBlendOpValues, false},
    // Texture stage states, indexed by stage: ColorOp[0] = Modulate;
    {"ColorOp", 0x67, StateKind::Int, kTextureOpValues, false},
    {"ColorArg0", 0x68, StateKind::Int, kTextureArgValues, false},
    {"ColorArg1", 0x69, StateKind::Int, kTextureArgValues, false},
    {"ColorArg2", 0x6A, StateKind::Int, kTextureArgValues, false},
    {"AlphaOp", 0x6B, StateKind::Int, kTextureOpValues, false},
    {"AlphaArg0", 0x6C, StateKind::Int, kTextureArgValues, false},
    {"AlphaArg1", 0x6D, StateKind::Int, kTextureArgValues, false},
    {"AlphaArg2", 0x6E, StateKind::Int, kTextureArgValues, false},
    {"ResultArg", 0x6F, StateKind::Int, kTextureArgValues, false},
    {"TexCoordIndex", 0x74, StateKind::Int, nullptr, false},
    {"TextureTransformFlags", 0x77, StateKind::Int, kTransformFlagValues, false},
    {"FVF", 0x7A, StateKind::Int, nullptr, false},
    // Shaders and textures.
    {"VertexShader", 0x92, StateKind::VertexShader, nullptr, false},
    {"PixelShader", 0x93, StateKind::PixelShader, nullptr, false},
    {"Texture", 0xA4, StateKind::Texture, nullptr, true},
    // Sampler states: in a sampler_state block, or indexed by sampler in a pass.
    {"AddressU", 0xA5, StateKind::Int, kAddressValues, true},
    {"AddressV", 0xA6, StateKind::Int, kAddressValues, true},
    {"AddressW", 0xA7, StateKind::Int, kAddressValues, true},
    {"BorderColor", 0xA8, StateKind::Int, nullptr, true},
    {"MagFilter", 0xA9, StateKind::Int, kFilterValues, true},
    {"MinFilter", 0xAA, StateKind::Int, kFilterValues, true},
    {"MipFilter", 0xAB, StateKind::Int, kFilterValues, true},
    {"MipMapLodBias", 0xAC, StateKind::Float, nullptr, true},
    {"MaxMipLevel", 0xAD, StateKind::Int, nullptr, true},
    {"MaxAnisotropy", 0xAE, StateKind::Int, nullptr, true},
    {"SRGBTexture", 0xAF, StateKind::Bool, kBoolValues, true},
};

}  // namespace

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

const StateInfo* FindState(const std::string& name) {
  for (const StateInfo& state : kStates) {
    if (EqualNoCase(name, state.name)) return &state;
  }
  return nullptr;
}

bool FindStateValue(const StateInfo& state, const std::string& name, uint32_t& value) {
  if (!state.values) return false;
  for (const StateValueName* v = state.values; v->name; ++v) {
    if (EqualNoCase(name, v->name)) {
      value = v->value;
      return true;
    }
  }
  return false;
}

}  // namespace ds_fxpack
