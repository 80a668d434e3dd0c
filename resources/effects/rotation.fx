// The rotation brush: the masked picture turned about a centre, on a circle or along
// an ellipse. "offset" is minus the centre (fractions of the picture);
// "coord_transf" the rows of the 2 x 2 matrix that turns a point about it, measured
// in the brush's texture space ("Scale": square units, whatever the picture's
// aspect); "mix_color" tints the turned picture, its alpha fading it in and out.

#include "brush.fxh"

float4 mix_color = {1.0, 1.0, 1.0, 1.0};
float2 offset = {-0.5, -0.5};
float4 coord_transf = {1.0, 0.0, 0.0, 1.0};

float4 Turned(float2 uv)
{
    float2 p = (uv + offset) * Scale;
    float2 q = p.x * coord_transf.xy + p.y * coord_transf.zw;
    return float4(tex2D(BackgroundSampler, q / Scale - offset).rgb * mix_color.rgb, mix_color.a);
}

BRUSH_TECHNIQUES_WEIGHTED(Turned)
