// The light brushes.
//   "Main", "MainFX"  the first light brush: the masked region brightened by
//                     "multiplier" (0: unchanged; 1: twice as bright).
//   "Blend_Normal", "Blend_Screen", "PS_ColorDodge", "Blend_Sum"
//                     the second light brush: the scene (Texture1) with the light
//                     colour laid over it where its mask (Texture2) reaches, mixed,
//                     screened, colour-dodged or added. BlendColor is the colour and
//                     its strength (alpha). These replace the picture under them, so
//                     they write opaque pixels.

#include "brush.fxh"
#include "blend.fxh"

float multiplier = 0.0;

texture Texture1;
texture Texture2;
float4 BlendColor = {1.0, 1.0, 1.0, 0.0};

sampler SceneSampler = sampler_state
{
    Texture = <Texture1>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

sampler LightMaskSampler = sampler_state
{
    Texture = <Texture2>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

float3 Lit(float2 uv)
{
    return saturate(tex2D(BackgroundSampler, uv).rgb * (1.0 + multiplier));
}

BRUSH_TECHNIQUES(Lit)

float3 Scene(float2 uv)
{
    return tex2D(SceneSampler, uv).rgb;
}

// The light's strength at this point: its mask times its alpha.
float LightCoverage(float2 uv)
{
    float4 m = tex2D(LightMaskSampler, uv);
    return m.r * m.a * BlendColor.a;
}

float4 NormalPS(float2 uv : TEXCOORD0) : COLOR0
{
    return float4(lerp(Scene(uv), BlendColor.rgb, LightCoverage(uv)), 1.0);
}

float4 ScreenPS(float2 uv : TEXCOORD0) : COLOR0
{
    return float4(BlendScreen(Scene(uv), BlendColor.rgb * LightCoverage(uv)), 1.0);
}

float4 ColorDodgePS(float2 uv : TEXCOORD0) : COLOR0
{
    return float4(BlendColorDodge(Scene(uv), BlendColor.rgb * LightCoverage(uv)), 1.0);
}

float4 SumPS(float2 uv : TEXCOORD0) : COLOR0
{
    return float4(saturate(Scene(uv) + BlendColor.rgb * LightCoverage(uv)), 1.0);
}

#define LIGHT_TECHNIQUE(name, shader) \
technique name \
{ \
    pass P0 \
    { \
        CullMode = None; \
        AlphaBlendEnable = false; \
        VertexShader = NULL; \
        PixelShader = compile ps_2_0 shader(); \
    } \
}

LIGHT_TECHNIQUE(Blend_Normal, NormalPS)
LIGHT_TECHNIQUE(Blend_Screen, ScreenPS)
LIGHT_TECHNIQUE(PS_ColorDodge, ColorDodgePS)
LIGHT_TECHNIQUE(Blend_Sum, SumPS)
