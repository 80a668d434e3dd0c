// The text items' effect: the text picture (Texture1) on the item's quad, tinted by
// the vertex colour (the item's colour and its time line's opacity), alpha blended
// over the scene.
//
//   "CommonVretexColor"  the picture standing still.
//   "ScrollText"         the picture moved inside the quad by Shift (u, v): a shift
//                        that grows moves it right (u) or down (v). The picture
//                        repeats, so a shift by a whole picture looks the same and
//                        the sweep from -1 to 2 runs on without a jump; texture
//                        coordinates beyond 1 (a quad larger than the tile) show
//                        further copies.
//
// The vertex stage stays fixed-function: the layer has set the transforms.

texture Texture1;
float2 Shift = {0.0, 0.0};

sampler StillSampler = sampler_state
{
    Texture = <Texture1>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

sampler ScrollSampler = sampler_state
{
    Texture = <Texture1>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
};

float4 StillPS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(StillSampler, uv) * colour;
}

float4 ScrollPS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    return tex2D(ScrollSampler, uv - Shift) * colour;
}

technique CommonVretexColor
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        SeparateAlphaBlendEnable = false;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        // The letters' colour is the vertex colour as given: a layer that lights its
        // own surface (the pond's water) must not light them too.
        Lighting = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 StillPS();
    }
}

technique ScrollText
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        SeparateAlphaBlendEnable = false;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        // The letters' colour is the vertex colour as given: a layer that lights its
        // own surface (the pond's water) must not light them too.
        Lighting = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 ScrollPS();
    }
}
