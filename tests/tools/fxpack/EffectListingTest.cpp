// The read-back check: vkd3d's listing of a packed effect against its source.

#include <gtest/gtest.h>

#include <string>

#include "EffectListing.h"
#include "EffectSource.h"

namespace {

using namespace ds_fxpack;

const char* const kSource = R"(
texture Texture1;
float4 BlendColor <string UIName = "Colour";> = {1.0, 0.5, 0.25, 1.0};
sampler Sampler1 = sampler_state { Texture = <Texture1>; AddressU = Clamp; };
float4 MainPS(float2 uv : TEXCOORD0) : COLOR0 { return tex2D(Sampler1, uv) * BlendColor; }
technique Common
{
    pass P0
    {
        AlphaBlendEnable = true;
        SrcBlend = SrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 MainPS();
    }
}
)";

// What vkd3d-compiler 2.1 lists for the effect packed from kSource (-x fx -b d3d-asm).
const char* const kListing = R"(texture Texture1 = <object id 1>;
float4 BlendColor
<
    string UIName = <object id 2>;
> = {1.00000000e+00, 5.00000000e-01, 2.50000000e-01, 1.00000000e+00};
sampler Sampler1 = 
    {
        Texture = <ignored>;
        AddressU = CLAMP /* 3 */;
    },
;

technique Common
{
    pass P0
    {
        AlphaBlendEnable = true;
        SrcBlend = SRCALPHA /* 5 */;
        VertexShader = <object id 0>;
        PixelShader = <object id 4>;
    }

}

object data {
    string object 2 size 7 bytes:
        "Colour"
}

state data {
parameter 2[4294967295], state 0 =
    parameter "Texture1"
technique 0, pass 0, state 3 =
    blob size 196
    asm {
        ps_2_0
        dcl t0
        dcl_2d s0
        texld r0.xyzw, t0.xyzw, s0
        mul r1.xyzw, r0.xyzw, c0.xyzw
        mov oC0.xyzw, r1.xyzw
    }
}
)";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(EffectListingTest, AListingOfTheSourceAsDeclaredShowsNoDifference) {
  EXPECT_EQ(CompareListing(ParseEffectSource(kSource), kListing), "");
}

struct DifferenceCase {
  const char* from;
  const char* to;
  const char* reported;
};

const DifferenceCase kDifferences[] = {
    {"SRCALPHA /* 5 */", "ONE /* 2 */", "technique Common pass P0 state SrcBlend: the value differs"},
    {"2.50000000e-01", "2.60000000e-01", "parameter BlendColor: value 2 differs"},
    {"\"Colour\"", "\"Color\"", "annotation UIName: the string does not read back"},
    {"CLAMP /* 3 */", "WRAP /* 1 */", "parameter Sampler1 state AddressU"},
    {"parameter \"Texture1\"", "parameter \"Texture2\"", "does not name parameter Texture1"},
    {"        ps_2_0", "        vs_2_0", "byte code of vs_2_0, not ps_2_0"},
    {"<object id 0>", "<object id 3>", "state VertexShader: not NULL"},
    {"technique Common", "technique Other", "technique Common is listed as Other"},
    {"    pass P0", "    pass P1", "listed as P1"},
};

TEST(EffectListingTest, ReportsEachWayTheBinaryDiffersFromTheSource) {
  const EffectSource effect = ParseEffectSource(kSource);
  for (const DifferenceCase& c : kDifferences) {
    SCOPED_TRACE(c.to);
    const std::string report = CompareListing(effect, Replaced(kListing, c.from, c.to));
    EXPECT_NE(report.find(c.reported), std::string::npos) << report;
  }
}

TEST(EffectListingTest, AListingItCannotReadIsAnError) {
  EXPECT_THROW(CompareListing(ParseEffectSource(kSource), "Failed to read input shader"), SourceError);
}

}  // namespace
