// The swaying plant's effect: its picture (Texture) on the region quad, whose texture
// coordinates run from the top (v = 0) to the foot (v = 1) of the plant, bent by the
// wind and tinted by the vertex colour and `color`, alpha blended over the scene.
//
//   "Main"  the whole plant leans from side to side (WMagnitude, a share of the
//           picture's width, strongest at the top, nothing at the foot), and a ripple
//           runs up the stem (BMagnitude); both swing Frequency radians per unit of
//           Time.
//
// The vertex stage stays fixed-function: the layer has set the transforms.

texture Texture;
float Time = 0.0;
float Frequency = 1.0;
float WMagnitude = 0.0;
float BMagnitude = 0.0;
float4 color = {1.0, 1.0, 1.0, 1.0};

sampler PlantSampler = sampler_state
{
    Texture = <Texture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

float4 SwayPS(float4 colour : COLOR0, float2 uv : TEXCOORD0) : COLOR0
{
    float phase = Time * Frequency;
    float height = 1.0 - uv.y;
    float lean = sin(phase) * WMagnitude * height * height;
    float ripple = sin(phase * 2.0 + uv.y * 6.2831853) * BMagnitude * height;
    return tex2D(PlantSampler, uv - float2(lean + ripple, 0.0)) * colour * color;
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
        DestBlend = InvSrcAlpha;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 SwayPS();
    }
}
