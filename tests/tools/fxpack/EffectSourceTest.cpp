// What the packer reads from an effect source, and how it refuses what it cannot pack.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EffectSource.h"
#include "StateTable.h"

namespace {

using namespace ds_fxpack;

float AsFloat(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

const char* const kSource = R"(
// comments and functions are skipped
float4 BlendColor <string UIName = "Colour"; int Order = 2;> = float4(1.0, 0.5, 0.25f, 1);
float4x4 WorldViewProj : WORLDVIEWPROJECTION;
float2 Offsets[2] = {{1, 2}, {3, -4}};
static const float kHidden = 3.0;   /* not a parameter */
texture Texture1;
sampler2D Sampler1 = sampler_state { Texture = <Texture1>; AddressU = Clamp; MinFilter = Linear; };
struct Vertex { float4 position : POSITION; };
Vertex MainVS(Vertex v) { return v; }
float4 MainPS(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Sampler1, uv) * BlendColor; }
technique Main <int Level = 1;>
{
    pass P0
    {
        AlphaBlendEnable = true;
        SrcBlend = SrcAlpha;
        ColorWriteEnable = Red | Green | Blue;
        ColorOp[1] = Modulate;
        VertexShader = compile vs_2_0 MainVS();
        PixelShader = compile ps_2_0 MainPS();
    }
    pass P1 { PixelShader = NULL; DepthBias = 0.5; }
}
)";

TEST(EffectSourceTest, ReadsParametersWithTypesDefaultsAnnotationsAndSamplerStates) {
  const EffectSource effect = ParseEffectSource(kSource);
  ASSERT_EQ(effect.parameters.size(), 5u);

  const Parameter& colour = effect.parameters[0];
  EXPECT_EQ(colour.name, "BlendColor");
  EXPECT_EQ(colour.type.type, ParamType::Float);
  EXPECT_EQ(colour.type.cls, ParamClass::Vector);
  EXPECT_EQ(colour.type.columns, 4u);
  ASSERT_EQ(colour.value.numbers.size(), 4u);
  EXPECT_EQ(AsFloat(colour.value.numbers[2]), 0.25f);
  ASSERT_EQ(colour.annotations.size(), 2u);
  EXPECT_EQ(colour.annotations[0].value.text, "Colour");
  EXPECT_EQ(colour.annotations[1].value.numbers, std::vector<uint32_t>{2u});

  const Parameter& matrix = effect.parameters[1];
  EXPECT_EQ(matrix.semantic, "WORLDVIEWPROJECTION");
  EXPECT_EQ(matrix.type.cls, ParamClass::MatrixRows);
  EXPECT_EQ(matrix.value.numbers, std::vector<uint32_t>(16, 0u)) << "no default: zeros";

  const Parameter& offsets = effect.parameters[2];
  EXPECT_EQ(offsets.type.elements, 2u);
  ASSERT_EQ(offsets.value.numbers.size(), 4u);
  EXPECT_EQ(AsFloat(offsets.value.numbers[3]), -4.0f);

  EXPECT_EQ(effect.parameters[3].type.type, ParamType::Texture);
  const Parameter& sampler = effect.parameters[4];
  EXPECT_EQ(sampler.type.type, ParamType::Sampler2D);
  ASSERT_EQ(sampler.samplerStates.size(), 3u);
  EXPECT_EQ(sampler.samplerStates[0].kind, StateAssignment::Kind::ParameterRef);
  EXPECT_EQ(sampler.samplerStates[0].reference, "Texture1");
  EXPECT_EQ(sampler.samplerStates[1].state->operation, 0xA5u);  // AddressU
  EXPECT_EQ(sampler.samplerStates[1].number, 3u);               // Clamp
}

TEST(EffectSourceTest, ReadsTechniquesPassesAndStates) {
  const EffectSource effect = ParseEffectSource(kSource);
  ASSERT_EQ(effect.techniques.size(), 1u);
  const Technique& main = effect.techniques[0];
  EXPECT_EQ(main.name, "Main");
  ASSERT_EQ(main.annotations.size(), 1u);
  ASSERT_EQ(main.passes.size(), 2u);

  const std::vector<StateAssignment>& states = main.passes[0].states;
  ASSERT_EQ(states.size(), 6u);
  EXPECT_EQ(states[0].numberType, ParamType::Bool);
  EXPECT_EQ(states[0].number, 1u);
  EXPECT_EQ(states[1].number, 5u);   // SrcAlpha
  EXPECT_EQ(states[2].number, 7u);   // Red | Green | Blue
  EXPECT_EQ(states[3].index, 1u);    // ColorOp[1]
  EXPECT_EQ(states[4].kind, StateAssignment::Kind::Shader);
  EXPECT_EQ(states[4].profile, "vs_2_0");
  EXPECT_EQ(states[5].entry, "MainPS");

  const std::vector<StateAssignment>& second = main.passes[1].states;
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0].kind, StateAssignment::Kind::NullShader);
  EXPECT_EQ(second[1].numberType, ParamType::Float);
  EXPECT_EQ(AsFloat(second[1].number), 0.5f);
}

struct RefusedCase {
  const char* source;
  const char* message;  // part of what the error says
};

const RefusedCase kRefused[] = {
    {"technique T { pass P { Bogus = 1; } }", "unknown or unsupported state 'Bogus'"},
    {"technique T { pass P { SrcBlend = Sideways; } }", "not a value of SrcBlend"},
    {"float4 F() : COLOR { return 0; }\ntechnique T { pass P { PixelShader = compile ps_3_0 F(); } }",
     "PixelShader takes ps_2_0 shaders"},
    {"float4 F(float a) : COLOR { return a; }\ntechnique T { pass P { PixelShader = compile ps_2_0 F(1); } }",
     "uniform arguments"},
    {"technique T { pass { ZEnable = false; } }", "expected a pass name"},
    {"sampler S = sampler_state { Texture = <Missing>; };\ntechnique T { pass P { ZEnable = false; } }",
     "'Missing' is not a texture parameter"},
    {"float A;\nfloat A;\ntechnique T { pass P { ZEnable = false; } }", "declared twice"},
    {"float3 A = {1, 2};\ntechnique T { pass P { ZEnable = false; } }", "holds 2 values, float3 takes 3"},
    {"technique T { pass P { ZEnable = false; } }\ntechnique T { pass P { ZEnable = true; } }", "declared twice"},
    {"float A = 1;", "no technique"},
    {"sampler S = sampler_state { SrcBlend = One; };\ntechnique T { pass P { ZEnable = false; } }",
     "not a sampler state"},
};

TEST(EffectSourceTest, RefusesWhatItCannotPackAndSaysWhy) {
  for (const RefusedCase& c : kRefused) {
    SCOPED_TRACE(c.source);
    try {
      ParseEffectSource(c.source);
      ADD_FAILURE() << "accepted";
    } catch (const SourceError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

}  // namespace
