// The flame layer's heat shimmer: the captured scene ("SceneTex") redrawn over the
// whole picture, each point shifted by a bump map ("Bumpmap", grey noise) that
// scrolls with "Offset"; "bump_scale" tiles the bump map (its second component keeps
// the tiles square on the picture), "stenght" is the largest shift in fractions of
// the picture. It replaces the picture under it, so it writes opaque pixels.

texture SceneTex;
texture Bumpmap;
float stenght = 0.0025;
float2 Offset = {0.0, 0.0};
float2 bump_scale = {0.208, 0.156};

sampler SceneSampler = sampler_state
{
    Texture = <SceneTex>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

sampler BumpSampler = sampler_state
{
    Texture = <Bumpmap>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
};

float4 DistortPS(float2 uv : TEXCOORD0) : COLOR0
{
    // Two reads of the bump map, the second a quarter turn of the first, give a
    // shift in both directions from a grey picture.
    float2 tile = uv * bump_scale;
    float dx = tex2D(BumpSampler, tile + Offset).r;
    float dy = tex2D(BumpSampler, tile.yx + Offset.yx + 0.5).r;
    float2 shift = (float2(dx, dy) * 2.0 - 1.0) * stenght;
    return float4(tex2D(SceneSampler, uv + shift).rgb, 1.0);
}

technique BumpmapDistortLow2
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = false;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 DistortPS();
    }
}
