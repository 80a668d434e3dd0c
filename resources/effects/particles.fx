// The textured particle generators' effect: particles are first drawn into the
// generator's off-screen target (a mask pass), which is then laid over the whole
// picture with the item's blend mode (a composite pass).
//
// Mask passes draw the particle quads, their picture (Texture1) tinted by the vertex
// colour, which carries the tint and the opacity:
//   "BlendMask"  into a target cleared to transparent black; each particle leaves
//                its own colour at its coverage, so a half-transparent particle is
//                weighted once, by the composite, not twice; where particles overlap
//                the colour of the ones below shows through what the one above
//                leaves uncovered, and crowds pile up brighter.
//   "JoinMask"   several particle layers, one picture each, joined into a target
//                cleared to transparent white: colour is mixed over what the layers
//                before left, coverage adds up, and the faint edges of the sparkles
//                stay light instead of darkening.
// Composite passes draw the layer's full-picture quad; the target holds a colour and
// its coverage (alpha):
//   "CommonTex"            (mode 0) the target (Texture1) alpha blended over the scene.
//   "Blend_ScreenTex"      (mode 1) the scene (Texture1) lightened by the target
//                          (Texture2) with the screen formula.
//   "Blend_ColorDodgeTex"  (mode 2) the scene (Texture1) brightened by the target
//                          (Texture2) with the colour-dodge formula.
//   "Blend_SumTex"         (mode 3) the target (Texture1) added to the scene.
// The glowing families (falling stars, fireworks, lightning) draw their cores and
// their glows into the two textures of the target and combine them with the scene:
//   "BlendMask_Max"  mask pass into a target cleared to transparent black; the picture
//                    tinted by the vertex colour and weighted by its opacity, the
//                    brighter particle winning where they overlap, so crowded glows
//                    do not burn out to white.
//   "BlendMask_MaxWrapU"  the same for a picture laid along a strip (the lightning's
//                    bolt): it repeats along the strip (u), where its texture
//                    coordinate runs on far past 1, and stays clamped across it (v).
//   "Main"           composite: the scene (Texture1) lightened by the glows (Texture2)
//                    with the screen formula, the cores (Texture3) laid over that.
// The composites that read the scene replace the picture under them, so they write
// opaque pixels. Every pass keeps the fixed-function vertex stage: the layer has
// already set the world, view and projection transforms.

#include "blend.fxh"

texture Texture1;
texture Texture2;
texture Texture3;

sampler Sampler1 = sampler_state
{
    Texture = <Texture1>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

// Texture1 laid along a strip: u grows with the strip's length, one picture per
// stretch as long as the strip is wide, so the picture repeats instead of smearing its
// last column over the rest; v spans the strip once, edge to edge.
sampler StripSampler1 = sampler_state
{
    Texture = <Texture1>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
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

sampler Sampler3 = sampler_state
{
    Texture = <Texture3>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

float4 PremultipliedPS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    float4 c = tex2D(Sampler1, uv) * colour;
    return float4(c.rgb * c.a, c.a);
}

float4 PremultipliedStripPS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    float4 c = tex2D(StripSampler1, uv) * colour;
    return float4(c.rgb * c.a, c.a);
}

float4 TintedPS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(Sampler1, uv) * colour;
}

float4 TargetPS(float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(Sampler1, uv);
}

// The target's colour weighted by its coverage.
float3 Layer(float2 uv)
{
    float4 t = tex2D(Sampler2, uv);
    return t.rgb * t.a;
}

float4 ScreenPS(float2 uv : TEXCOORD0) : COLOR0
{
    return float4(BlendScreen(tex2D(Sampler1, uv).rgb, Layer(uv)), 1.0);
}

float4 ColorDodgePS(float2 uv : TEXCOORD0) : COLOR0
{
    return float4(BlendColorDodge(tex2D(Sampler1, uv).rgb, Layer(uv)), 1.0);
}

// Glows, then the cores over them; both targets hold colours weighted by their coverage.
float4 GlowsAndCoresPS(float2 uv : TEXCOORD0) : COLOR0
{
    float3 lit = BlendScreen(tex2D(Sampler1, uv).rgb, tex2D(Sampler2, uv).rgb);
    float4 core = tex2D(Sampler3, uv);
    return float4(lit * (1.0 - core.a) + core.rgb, 1.0);
}

technique BlendMask
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        SeparateAlphaBlendEnable = false;
        BlendOp = Add;
        SrcBlend = One;
        DestBlend = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 TintedPS();
    }
}

technique JoinMask
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        SeparateAlphaBlendEnable = true;
        BlendOpAlpha = Add;
        SrcBlendAlpha = One;
        DestBlendAlpha = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 TintedPS();
    }
}

technique CommonTex
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        SeparateAlphaBlendEnable = false;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 TargetPS();
    }
}

technique Blend_ScreenTex
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 ScreenPS();
    }
}

technique Blend_ColorDodgeTex
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 ColorDodgePS();
    }
}

technique Blend_SumTex
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        SeparateAlphaBlendEnable = false;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = One;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 TargetPS();
    }
}

technique BlendMask_Max
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        SeparateAlphaBlendEnable = false;
        BlendOp = Max;
        SrcBlend = One;
        DestBlend = One;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 PremultipliedPS();
    }
}

technique BlendMask_MaxWrapU
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        SeparateAlphaBlendEnable = false;
        BlendOp = Max;
        SrcBlend = One;
        DestBlend = One;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 PremultipliedStripPS();
    }
}

technique Main
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 GlowsAndCoresPS();
    }
}
