// The waves brush: straight sine waves run across the masked region. The picture is
// pushed sideways (along "direction_n") by a wave travelling along "direction";
// "frequency" waves per unit of the brush's texture space ("Scale": picture heights
// divided by the brush's zoom), "amplitude" in the same units, "time" in periods.

#include "brush.fxh"

float2 direction = {-1.0, 0.0};
float2 direction_n = {0.0, 1.0};
float frequency = 38.46;
float amplitude = 0.0125;
float time = 0.0;

float3 Waved(float2 uv)
{
    float2 p = uv * Scale;
    float wave = sin(kTwoPi * (dot(p, direction) * frequency - time));
    float2 moved = uv + direction_n * (amplitude * wave) / Scale;
    return tex2D(BackgroundSampler, moved).rgb;
}

BRUSH_TECHNIQUES(Waved)
