// A test effect: positions through a vertex shader and a matrix parameter, so that a
// matrix set with ID3DXEffect::SetMatrix must reach the shader the right way round.

float4x4 WorldViewProj;
float4 Tint = {1.0, 1.0, 1.0, 1.0};

struct TransformedVertex
{
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
};

TransformedVertex TransformVS(float4 position : POSITION, float2 uv : TEXCOORD0)
{
    TransformedVertex output;
    output.position = mul(position, WorldViewProj);
    output.uv = uv;
    return output;
}

float4 TintPS(float2 uv : TEXCOORD0) : COLOR0
{
    return Tint;
}

technique Transform
{
    pass P0
    {
        CullMode = None;
        ZEnable = false;
        AlphaBlendEnable = false;
        VertexShader = compile vs_2_0 TransformVS();
        PixelShader = compile ps_2_0 TintPS();
    }
}
