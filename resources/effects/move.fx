// The move brush: the masked picture shifted back and forth along a direction.
// "Direction" is the displacement of this frame in the brush's texture space
// ("Scale": picture heights divided by the brush's zoom).

#include "brush.fxh"

float2 Direction = {0.0, 0.0};

float3 Moved(float2 uv)
{
    return tex2D(BackgroundSampler, uv - Direction / Scale).rgb;
}

BRUSH_TECHNIQUES(Moved)
