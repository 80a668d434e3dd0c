// The static sprite animation: the current frame ("Texture") drawn on its quad,
// tinted by "Color" (its alpha fades the sprite) and the vertex colour, alpha blended
// over the scene. The pass keeps the fixed-function vertex stage.

texture Texture;
float4 Color = {1.0, 1.0, 1.0, 1.0};

sampler FrameSampler = sampler_state
{
    Texture = <Texture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

float4 FramePS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(FrameSampler, uv) * Color * colour;
}

technique Blend_Normal
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 FramePS();
    }
}
