// The explosion's effect: one quad (texture coordinates 0..1 across it) turned into a
// burst of fire from two looks into a noise picture and a colour gradient.
//
//   "Main"  the heat of each pixel falls from the centre to the rim of the quad, its
//           edge ruffled by the noise; the gradient (GradientTex, read left = cold to
//           right = hot) tinted from color2 (cold) to color1 (hot) gives its colour,
//           added to the scene with the heat and the vertex alpha as its strength.
//
// The noise (NoiseTex, its red channel) is read at two offsets, the current and the
// next (noise_shift: current x, y, next x, y), mixed by the position within the
// current second (time: fraction, 1 - fraction), so the fire flows from one pattern
// to the next instead of jumping. noise_params: (a) the radius of the burst as a
// share of the quad's half size, (b) how far the noise ruffles its edge, (c) how
// strongly a fresh burst is held back while it grows (phase_1st: 2 at its start, 0
// once grown). phase_3rd (p, 1 - p) dissolves it while it fades out: pixels whose
// noise is below p go out first. The vertex stage stays fixed-function: the layer has
// set the transforms.

texture GradientTex;
texture NoiseTex;
float3 color1 = {1.0, 1.0, 1.0};
float3 color2 = {0.0, 0.0, 0.0};
float4 noise_shift = {0.0, 0.0, 0.0, 0.0};
float3 noise_params = {0.79, 0.15, 0.42};
float2 time = {0.0, 1.0};
float2 phase_3rd = {0.0, 1.0};
float phase_1st = 0.0;

sampler GradientSampler = sampler_state
{
    Texture = <GradientTex>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

sampler NoiseSampler = sampler_state
{
    Texture = <NoiseTex>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Wrap;
    AddressV = Wrap;
};

float4 FirePS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    float noise = tex2D(NoiseSampler, uv + noise_shift.xy).r * time.y
                + tex2D(NoiseSampler, uv + noise_shift.zw).r * time.x;
    float rim = length(uv * 2.0 - 1.0) / max(noise_params.x, 0.01);
    float heat = saturate(1.0 - rim + (noise - 0.5) * 2.0 * noise_params.y - phase_1st * noise_params.z);
    // Dissolving: the burst goes out where the noise lies below the fade.
    float left = saturate((noise - phase_3rd.x) * 8.0 + phase_3rd.y);
    float3 fire = tex2D(GradientSampler, float2(heat, 0.5)).rgb * lerp(color2, color1, heat);
    return float4(fire, saturate(heat * 2.0) * left * colour.a);
}

technique Main
{
    pass P0
    {
        CullMode = None;
        AlphaBlendEnable = true;
        SeparateAlphaBlendEnable = false;
        BlendOp = Add;
        SrcBlend = SrcAlpha;
        DestBlend = One;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 FirePS();
    }
}
