// The fire brush: flames rise through the region from a flame picture ("Pattern",
// its alpha the flame's shape, hot at the bottom) that three layers of noise
// ("Noise"), scrolling upward at the speeds "c11", "c12" and "c13", tear and flicker.
// The heat runs from "ColorK1" (weakest) to "ColorK1" + "ColorK2" (hottest);
// "Brightness" scales how strongly the flames cover what is under them, "Density"
// thickens (positive) or thins (negative) them.
//   "Main"      the brush on its own region mesh: the picture or the scene
//               ("Background") under the flames shimmers in their heat and the flames
//               cover it, as far as the mask reaches.
//   "AsEffect"  the flame layer's band: the flames alone, alpha blended over the
//               picture.
// Both transform the geometry with "WorldViewProj"; the texture coordinates span the
// region, so "Main" finds the background by the screen position ("ViewProj" of the
// picture's own plane, "bg_scale_factor": the target over the fitted picture).

float4x4 WorldViewProj;
float4x4 ViewProj;
texture Noise;
texture Pattern;
texture Mask;
texture Background;
float2 c11 = {0.0, 0.0};
float2 c12 = {0.0, 0.0};
float2 c13 = {0.0, 0.0};
float3 ColorK1 = {1.0, 0.0, 0.0};
float3 ColorK2 = {0.0, 1.0, 0.0};
float2 bg_scale_factor = {1.0, 1.0};
float Brightness = 0.3;
float Density = 0.0;

sampler NoiseSampler = sampler_state
{
    Texture = <Noise>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
};

sampler PatternSampler = sampler_state
{
    Texture = <Pattern>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Clamp;
};

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

struct FireVertex
{
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
    float2 picture : TEXCOORD1;  // where the vertex lies on the picture, 0..1
};

FireVertex FireVS(float4 position : POSITION, float2 uv : TEXCOORD0)
{
    FireVertex output;
    output.position = mul(position, WorldViewProj);
    float4 screen = mul(position, ViewProj);
    float2 ndc = screen.xy / screen.w;
    output.picture = float2(0.5, 0.5) + float2(0.5, -0.5) * ndc * bg_scale_factor;
    output.uv = uv;
    return output;
}

// The flames at this point of the region: heat 0..1 in alpha, its colour in rgb.
// `tear` is the noise's pull, -1..1, for the shimmer under the flames.
float4 Flames(float2 uv, out float2 tear)
{
    float n = (tex2D(NoiseSampler, uv + c11).r + tex2D(NoiseSampler, uv * 2.0 + c12).r
               + tex2D(NoiseSampler, uv * 3.0 + c13).r) * 0.6666667 - 1.0;
    tear = float2(n, n * 0.5);
    float shape = tex2D(PatternSampler, uv + tear * float2(0.08, 0.15)).a;
    float heat = saturate(shape * (1.0 + n) + Density);
    return float4(ColorK1 + ColorK2 * heat, saturate(heat * Brightness * 3.0));
}

float4 MainPS(float2 uv : TEXCOORD0, float2 picture : TEXCOORD1) : COLOR0
{
    float2 tear;
    float4 fire = Flames(uv, tear);
    float3 scene = tex2D(BackgroundSampler, picture + tear * (fire.a * 0.01)).rgb;
    float4 m = tex2D(MaskSampler, picture);
    return float4(lerp(scene, fire.rgb, fire.a), m.r * m.a);
}

float4 AsEffectPS(float2 uv : TEXCOORD0) : COLOR0
{
    float2 tear;
    return Flames(uv, tear);
}

technique Main
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = compile vs_2_0 FireVS();
        PixelShader = compile ps_2_0 MainPS();
    }
}

technique AsEffect
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = compile vs_2_0 FireVS();
        PixelShader = compile ps_2_0 AsEffectPS();
    }
}
