// The radial-wave brush: circular waves run out from "center" (or into it, as the
// sign of "time" says). Distances are measured in picture widths: "bg_scale_factor"
// turns picture fractions into them; "frequency" waves per picture width,
// "amplitude" their height in picture widths, "time" their phase in periods.

#include "brush.fxh"

float2 bg_scale_factor = {1.0, 0.75};
float2 center = {0.5, 0.5};
float frequency = 166.7;
float amplitude = 0.0125;
float time = 0.0;

float3 Rippled(float2 uv)
{
    float2 d = (uv - center) * bg_scale_factor;
    float r = length(d);
    float wave = sin(kTwoPi * (r * frequency - time));
    // At the centre itself there is no outward direction: nothing moves.
    float2 outward = d / max(r, 0.0001);
    return tex2D(BackgroundSampler, uv + outward * (amplitude * wave) / bg_scale_factor).rgb;
}

BRUSH_TECHNIQUES(Rippled)
