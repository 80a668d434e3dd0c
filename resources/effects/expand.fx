// The expand brush: the masked picture swells or shrinks around "center" (fractions
// of the picture). "amplitude" is (swelling, shrinking), one of them 0: a swelling
// of 0.25 shows the picture a quarter larger around the centre.

#include "brush.fxh"

float2 amplitude = {0.0, 0.0};
float2 center = {0.5, 0.5};

float3 Expanded(float2 uv)
{
    float zoom = (1.0 + amplitude.y) / (1.0 + amplitude.x);
    return tex2D(BackgroundSampler, center + (uv - center) * zoom).rgb;
}

BRUSH_TECHNIQUES(Expanded)
