// What the effect brushes share: the painted mask that confines a brush, the picture
// (or, in FX mode, the scene drawn so far) that it changes, the zoom of its texture
// space, and the two techniques every brush draws the layer quad with:
//   "Main"    the changed picture laid over what the layer has drawn, as far as the
//             mask reaches; the rest of the target is left as it is.
//   "MainFX"  the target is a fresh one: the whole scene is drawn again, changed
//             where the mask reaches.
// The passes keep the fixed-function vertex stage: the layer has set the world, view
// and projection transforms, and the quad's texture coordinates span the picture.

texture Mask;
texture Background;
// A brush whose drawing needs the zoom's inverse too defines BRUSH_SCALE_WITH_INVERSE
// before it includes this: "Scale" is then (aspect / s, 1 / s, s / aspect, s).
#ifdef BRUSH_SCALE_WITH_INVERSE
float4 Scale = {1.0, 1.0, 1.0, 1.0};
#else
float2 Scale = {1.0, 1.0};
#endif

sampler MaskSampler = sampler_state
{
    Texture = <Mask>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

sampler BackgroundSampler = sampler_state
{
    Texture = <Background>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

static const float kTwoPi = 6.2831853;

// How far the mask reaches at this point of the picture: painted white and opaque is
// 1. A brush without a mask samples an unbound texture (black) and changes nothing.
float MaskCoverage(float2 uv)
{
    float4 m = tex2D(MaskSampler, uv);
    return m.r * m.a;
}

float4 OverPicture(float2 uv, float3 changed)
{
    return float4(changed, MaskCoverage(uv));
}

float4 OverScene(float2 uv, float3 changed)
{
    return float4(lerp(tex2D(BackgroundSampler, uv).rgb, changed, MaskCoverage(uv)), 1.0);
}

// The two techniques' passes: "Main" blends over the target by the pixel's alpha,
// "MainFX" replaces it. They draw MainPS and MainFXPS, which the brush defines.
#define BRUSH_PASSES \
technique Main \
{ \
    pass P0 \
    { \
        CullMode = None; \
        AlphaBlendEnable = true; \
        BlendOp = Add; \
        SrcBlend = SrcAlpha; \
        DestBlend = InvSrcAlpha; \
        VertexShader = NULL; \
        PixelShader = compile ps_2_0 MainPS(); \
    } \
} \
technique MainFX \
{ \
    pass P0 \
    { \
        CullMode = None; \
        AlphaBlendEnable = false; \
        VertexShader = NULL; \
        PixelShader = compile ps_2_0 MainFXPS(); \
    } \
}

// The two techniques around one function `float3 changed(float2 uv)` of the brush.
#define BRUSH_TECHNIQUES(changed) \
float4 MainPS(float2 uv : TEXCOORD0) : COLOR0 { return OverPicture(uv, changed(uv)); } \
float4 MainFXPS(float2 uv : TEXCOORD0) : COLOR0 { return OverScene(uv, changed(uv)); } \
BRUSH_PASSES

// The same around `float4 changed(float2 uv)` whose alpha weighs the change as well
// as the mask does (a brush that fades in and out).
#define BRUSH_TECHNIQUES_WEIGHTED(changed) \
float4 MainPS(float2 uv : TEXCOORD0) : COLOR0 \
{ \
    float4 c = changed(uv); \
    return float4(c.rgb, c.a * MaskCoverage(uv)); \
} \
float4 MainFXPS(float2 uv : TEXCOORD0) : COLOR0 \
{ \
    float4 c = changed(uv); \
    return float4(lerp(tex2D(BackgroundSampler, uv).rgb, c.rgb, c.a * MaskCoverage(uv)), 1.0); \
} \
BRUSH_PASSES
