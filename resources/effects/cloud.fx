// The cloud brush: clouds drifting through the masked region. "Background" is the
// cloud picture (grey, tiling), not the scene; its brightness is the clouds' density.
// The region's own texture coordinates (0..1 across it) address the clouds;
// "mask_tex_shift" (x scale, x offset, y scale, y offset) takes them to the picture,
// where the mask is read.
//   "Scale"       cloud tiles per unit of the region (aspect / zoom, 1 / zoom).
//   "Velocity"    how far the clouds have drifted, in tiles.
//   "Threshold"   1 shows the picture's density as it is; above 1 only its densest
//                 parts stay, with sharper edges.
//   "Density"     how opaque the clouds are (0: not at all).
//   "ColorK1", "ColorK2"  the colour of thin and of dense cloud.
//   A sky seen in depth: "PX_Transform" ((depth - 1) / depth) shrinks the clouds
//   towards the region's top, the far edge, to a depth-th of their size at the
//   bottom; "PY_TransformH" and "PY_TransformZ" stretch and shift them along the
//   depth; "tex_shift" is (1, y mirror, shift along the depth, mirror offset).
// "Main" draws the region; "MainFX" the whole picture's quad, whose coordinates span
// the picture: both lay the clouds over what the layer has drawn.

#include "brush.fxh"

float Threshold = 1.0;
float Density = 0.0;
float3 ColorK1 = {0.0, 0.0, 0.0};
float3 ColorK2 = {0.0, 0.0, 0.0};
float2 Velocity = {0.0, 0.0};
float4 mask_tex_shift = {1.0, 0.0, 1.0, 0.0};
float PX_Transform = 0.0;
float PY_TransformH = 1.0;
float PY_TransformZ = 0.0;
float4 tex_shift = {1.0, 1.0, 0.0, 0.0};

sampler CloudSampler = sampler_state
{
    Texture = <Background>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
};

// The clouds at region point r: their colour and opacity.
float4 CloudsAt(float2 r)
{
    float y = r.y * tex_shift.y + tex_shift.w;
    // The floor keeps the far edge finite outside the region (the quad of "MainFX").
    float k = 1.0 / max(1.0 - PX_Transform * (1.0 - y), 0.05);
    float2 p = float2((r.x - 0.5) * k * tex_shift.x, y * k * PY_TransformH - PY_TransformZ + tex_shift.z);
    float density = tex2D(CloudSampler, p * Scale + Velocity).r;
    float cover = saturate(1.0 - (1.0 - density) * Threshold);
    return float4(lerp(ColorK1, ColorK2, cover), saturate(cover * Density));
}

float4 MainPS(float2 r : TEXCOORD0) : COLOR0
{
    float4 clouds = CloudsAt(r);
    return float4(clouds.rgb, clouds.a * MaskCoverage(r * mask_tex_shift.xz + mask_tex_shift.yw));
}

float4 MainFXPS(float2 uv : TEXCOORD0) : COLOR0
{
    // A region without width or height (or turned inside out) is given a sliver of
    // one rather than a division by zero.
    float2 size = max(mask_tex_shift.xz, 0.0001);
    float4 clouds = CloudsAt((uv - mask_tex_shift.yw) / size);
    return float4(clouds.rgb, clouds.a * MaskCoverage(uv));
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
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 MainFXPS();
    }
}
