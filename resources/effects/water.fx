// The water brush: the masked region becomes a moving water surface. A bump picture
// ("BumpMap", grey ripples), turned every frame by "BampTrans" (a 2 x 2 matrix whose
// length is the bump strength), scrolls along the flow ("Direction2" per unit of
// "Time") while waves run along "Direction1"; the slopes they make shift the picture
// under the water and light it: a highlight towards the half vector "Vhalf" in the
// water colour "Color", and, with "Shadows", darker troughs. "P1" and "P2" shape the
// surface: how steeply the slope tilts the surface normal.

#include "brush.fxh"

texture BumpMap;
float4 BampTrans = {0.02, 0.0, 0.0, 0.02};
float3 P1 = {-0.998, -1.0, -0.998};
float3 P2 = {1.0, 1.03267, 1.0};
float Time = 0.0;
float2 Direction1 = {-34.8, -29.2};
float2 Direction2 = {-0.0019, -0.0016};
float Shadows = 0.0;
float3 Vhalf = {0.447, 0.894, 0.0};
float3 Color = {1.0, 1.0, 1.0};

sampler BumpSampler = sampler_state
{
    Texture = <BumpMap>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
};

float4 Water(float2 uv)
{
    float2 p = uv * Scale;
    float2 bump = tex2D(BumpSampler, p + Direction2 * Time).rg * 2.0 - 1.0;
    // A triangle wave along Direction1 (one period per 2 pi of phase) lifts the
    // turned bumps into swells.
    float wave = abs(frac((p.x * Direction1.x + p.y * Direction1.y + Time) * 0.15915494) * 4.0 - 2.0);
    float2 slope = (bump.x * BampTrans.xy + bump.y * BampTrans.zw) * wave;
    float3 scene = tex2D(BackgroundSampler, uv + slope).rgb;
    // Slopes facing the light (the half vector's direction on the surface) catch it;
    // with Shadows the others darken.
    float facing = (slope.x * Vhalf.x + slope.y * Vhalf.y) * (P2.y * 25.0);
    float highlight = saturate(facing);
    float shade = 1.0 - Shadows * saturate(-facing);
    return float4(saturate(scene * shade + Color * (highlight * highlight)), 1.0);
}

float3 Watered(float2 uv)
{
    return Water(uv).rgb;
}

BRUSH_TECHNIQUES(Watered)
