// The glow of effect-drawn sprite systems (the discharge arc's glowing strokes): the
// sprites' glow picture is first gathered into an off-screen target, then laid over
// the scene in the glow colour, and the sprites are drawn on top.
//
//   "Blend_Max"    glow pass: the glow picture (Texture1) of every sprite, tinted by its
//                  vertex colour, into a target cleared to transparent black; where
//                  sprites overlap the stronger glow wins, so crowded strokes do not
//                  burn out to white.
//   "Blend_Screen" composite over the whole picture: the scene (Texture1) lightened by
//                  the glow colour where the glow target (Texture2) is covered.
//   "Blend_Normal" the same, but the glow colour is mixed over the scene like paint.
//   "Common"       the sprite picture (Texture1) tinted by the vertex colour, alpha
//                  blended over what is there.
//
// BlendColor is the glow colour (red, green, blue) and its strength (alpha: the time
// line's opacity times the item's intensity). The composite replaces the picture under
// it, so it writes opaque pixels. Every pass keeps the fixed-function vertex stage:
// the layer has already set the world, view and projection transforms.

#include "blend.fxh"

texture Texture1;
texture Texture2;
float4 BlendColor = {1.0, 1.0, 1.0, 1.0};

sampler Sampler1 = sampler_state
{
    Texture = <Texture1>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

sampler Sampler2 = sampler_state
{
    Texture = <Texture2>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

float4 TintedPS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(Sampler1, uv) * colour;
}

// How strongly the glow covers this pixel: the target's coverage times the strength.
float GlowCoverage(float2 uv)
{
    return tex2D(Sampler2, uv).a * BlendColor.a;
}

float4 ScreenPS(float2 uv : TEXCOORD0) : COLOR0
{
    float3 scene = tex2D(Sampler1, uv).rgb;
    return float4(BlendScreen(scene, BlendColor.rgb * GlowCoverage(uv)), 1.0);
}

float4 NormalPS(float2 uv : TEXCOORD0) : COLOR0
{
    float3 scene = tex2D(Sampler1, uv).rgb;
    return float4(lerp(scene, BlendColor.rgb, GlowCoverage(uv)), 1.0);
}

technique Blend_Max
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        BlendOp = Max;
        SrcBlend = One;
        DestBlend = One;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 TintedPS();
    }
}

technique Blend_Screen
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 ScreenPS();
    }
}

technique Blend_Normal
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 NormalPS();
    }
}

technique Common
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 TintedPS();
    }
}
