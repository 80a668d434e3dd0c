// The underwater brush: the scene ripples as if seen through moving water. Each point
// is pushed by two crossing sine ripples; "frequency" holds the ripples per picture
// width and per picture height, "amplitude" their strength in fractions of the
// picture, "time" their phase in periods. The brush lives in the underwater layer,
// which draws the whole captured scene through it, so it ripples everything: it
// reads no mask, and both techniques write opaque pixels.

#include "brush.fxh"

float2 frequency = {13.2, 9.9};
float amplitude = 0.00625;
float time = 0.0;

float4 RipplePS(float2 uv : TEXCOORD0) : COLOR0
{
    float2 phase = kTwoPi * (uv.yx * frequency.yx + time);
    float2 moved = uv + amplitude * float2(sin(phase.x), sin(phase.y + 1.3));
    return float4(tex2D(BackgroundSampler, moved).rgb, 1.0);
}

technique Main
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 RipplePS();
    }
}

technique MainFX
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 RipplePS();
    }
}
