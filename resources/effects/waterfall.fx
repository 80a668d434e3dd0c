// The waterfall brush: water falling through the masked region. It draws its region
// (texture coordinates spanning the picture) in two kinds of pass, both laid over
// what the layer has drawn as far as the mask reaches:
//   "Noise"       the picture under the water shimmers: a noise picture ("NoiseMap",
//                 "bump_scale" noise tiles per picture fraction) that scrolls along
//                 the fall ("noise_shift") pushes it by up to "noise_amplitude".
//   "ColorWaves"  one band of the falling water, drawn once per band: the picture's
//                 bright streaks, seen "shift" further up the fall, in "base_color".
//                 Brightness above "treshold" counts (1: none, 0: all of it), and
//                 "transluency" fades the band in and out over its travel, so that
//                 the bands, one after another, carry the streaks down the fall.

#include "brush.fxh"

texture NoiseMap;
float2 noise_shift = {0.0, 0.0};
float2 bump_scale = {1.0, 1.0};
float noise_amplitude = 0.0;
float3 base_color = {1.0, 1.0, 1.0};
float treshold = 1.0;
float2 shift = {0.0, 0.0};
float transluency = 0.0;

sampler NoiseSampler = sampler_state
{
    Texture = <NoiseMap>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
};

float4 NoisePS(float2 uv : TEXCOORD0) : COLOR0
{
    float2 p = uv * bump_scale + noise_shift;
    // Two readings of the grey noise, half a tile apart, push the two axes apart.
    float2 push = float2(tex2D(NoiseSampler, p).r, tex2D(NoiseSampler, p + float2(0.5, 0.5)).r) * 2.0 - 1.0;
    return float4(tex2D(BackgroundSampler, uv + push * noise_amplitude).rgb, MaskCoverage(uv));
}

float4 ColorWavesPS(float2 uv : TEXCOORD0) : COLOR0
{
    float brightness = dot(tex2D(BackgroundSampler, uv + shift).rgb, float3(0.299, 0.587, 0.114));
    // The floor keeps a threshold of 1 from dividing by zero.
    float streak = saturate((brightness - treshold) / max(1.0 - treshold, 1.0 / 255.0));
    return float4(base_color, streak * transluency * MaskCoverage(uv));
}

technique Noise
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 NoisePS();
    }
}

technique ColorWaves
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 ColorWavesPS();
    }
}
