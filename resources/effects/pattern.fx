// The pattern brush: a pattern picture tiled across the masked region. "coord_transf"
// turns the picture's texture coordinates into pattern tiles (rows of a 2 x 2 matrix:
// zoom, mirroring and rotation), "offset" shifts the tiles, and "mix_color" tints the
// pattern, its alpha fading it in and out. "scale" is the pattern's aspect (width over
// height, 1): the matrix's rotation turns square pixels only once the cross terms are
// weighed by it.

#include "brush.fxh"

texture Pattern;
float4 mix_color = {1.0, 1.0, 1.0, 1.0};
float2 scale = {1.0, 1.0};
float2 offset = {0.0, 0.0};
float4 coord_transf = {1.0, 0.0, 0.0, 1.0};

sampler PatternSampler = sampler_state
{
    Texture = <Pattern>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
};

float4 PatternAt(float2 uv)
{
    float2 tile = uv.x * coord_transf.xy * scale.yx + uv.y * coord_transf.zw / scale + offset;
    return tex2D(PatternSampler, tile) * mix_color;
}

float4 MainPS(float2 uv : TEXCOORD0) : COLOR0
{
    float4 p = PatternAt(uv);
    return float4(p.rgb, p.a * MaskCoverage(uv));
}

float4 MainFXPS(float2 uv : TEXCOORD0) : COLOR0
{
    float4 p = PatternAt(uv);
    float3 scene = tex2D(BackgroundSampler, uv).rgb;
    return float4(lerp(scene, p.rgb, p.a * MaskCoverage(uv)), 1.0);
}

technique Main
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 MainPS();
    }
}

technique MainFX
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 MainFXPS();
    }
}
