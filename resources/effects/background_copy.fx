// The background-copy brush: inside the mask, the scene as it lies at "offset"
// (fractions of the picture's width and height), so that a part of the picture is
// shown a second time elsewhere. The copy wraps around the picture's edges: the
// brush adds a whole picture to the offset to copy across them.

#include "brush.fxh"

float2 offset = {0.0, 0.0};

sampler WrappedBackground = sampler_state
{
    Texture = <Background>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
};

float3 Copied(float2 uv)
{
    return tex2D(WrappedBackground, uv + offset).rgb;
}

BRUSH_TECHNIQUES(Copied)
