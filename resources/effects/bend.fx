// The bend brush: the masked picture bent about "Center" (fractions of the picture).
// Each point turns about the centre by "Angle" times "Bend" times its distance from
// it, so that a straight line through the centre curves, more the further it reaches,
// and sways as the angle swings. Distances are measured in the brush's texture space
// ("Scale": (aspect / zoom, 1 / zoom) and its inverse).

#define BRUSH_SCALE_WITH_INVERSE
#include "brush.fxh"

float2 Center = {0.5, 0.5};
float Angle = 0.0;
float Bend = 0.0;

float3 Bent(float2 uv)
{
    float2 p = (uv - Center) * Scale.xy;
    float turn = Angle * Bend * length(p);
    float s, c;
    sincos(turn, s, c);
    float2 q = float2(p.x * c - p.y * s, p.x * s + p.y * c);
    return tex2D(BackgroundSampler, Center + q * Scale.zw).rgb;
}

BRUSH_TECHNIQUES(Bent)
