// The binaries the packer writes, loaded by D3DX on the test device: every kind of
// parameter, annotation and state it can write reads back as the source declares it.
// (Shaders are proven by the compiled effects of the build, tests/resources/effects.)

#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EffectSource.h"
#include "EffectWriter.h"
#include "device/ComHolder.h"
#include "support/TestDevice.h"

namespace {

using namespace ds_fxpack;

const char* const kSource = R"(
float Amount <string UIName = "Amount"; int Order = 2; float2 Range = {0, 4};> = 0.25;
int Count = -3;
bool Flag = true;
float2 Offsets[3] = {1, 2, 3, 4, 5, 6};
float3x2 Shear = {1, 2, 3, 4, 5, 6};
string Label = "hello";
texture2D Picture;
sampler2D PictureSampler = sampler_state { Texture = <Picture>; AddressU = Wrap; MagFilter = Point; };
technique Solid <int Level = 7;>
{
    pass First <string Note = "first";>
    {
        ZEnable = false;
        ColorWriteEnable = Red | Green;
        SrcBlend = InvDestColor;
        Texture[1] = <Picture>;
    }
    pass Second
    {
        CullMode = CW;
        PixelShader = NULL;
        DepthBias = 0.5;
    }
}
technique Other { pass Only { FillMode = Wireframe; } }
)";

class EffectWriterTest : public ds_test::DeviceTest {
protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    const std::vector<uint8_t> binary = WriteEffectBinary(ParseEffectSource(kSource), ShaderBlobs());
    const HRESULT hr = D3DXCreateEffect(device, binary.data(), UINT(binary.size()), nullptr, nullptr, 0, nullptr,
                                        effect.Receive(), nullptr);
    ASSERT_TRUE(SUCCEEDED(hr) && effect) << "D3DXCreateEffect gave " << ds_test::ColorText(uint32_t(hr));
  }

  DS_ComHolder<ID3DXEffect> effect;
};

TEST_F(EffectWriterTest, ParametersReadBackWithTheirTypesAndDefaults) {
  D3DXEFFECT_DESC desc = {};
  ASSERT_TRUE(SUCCEEDED(effect->GetDesc(&desc)));
  EXPECT_EQ(desc.Parameters, 8u);
  EXPECT_EQ(desc.Techniques, 2u);

  float amount = 0;
  EXPECT_TRUE(SUCCEEDED(effect->GetFloat("Amount", &amount)));
  EXPECT_EQ(amount, 0.25f);
  INT count = 0;
  EXPECT_TRUE(SUCCEEDED(effect->GetInt("Count", &count)));
  EXPECT_EQ(count, -3);
  BOOL flag = FALSE;
  EXPECT_TRUE(SUCCEEDED(effect->GetBool("Flag", &flag)));
  EXPECT_TRUE(flag);

  D3DXPARAMETER_DESC offsetsDesc = {};
  ASSERT_TRUE(SUCCEEDED(effect->GetParameterDesc("Offsets", &offsetsDesc)));
  EXPECT_EQ(offsetsDesc.Elements, 3u);
  float offsets[6] = {};
  EXPECT_TRUE(SUCCEEDED(effect->GetFloatArray("Offsets", offsets, 6)));
  EXPECT_EQ(offsets[5], 6.0f);
  D3DXVECTOR4 second;
  EXPECT_TRUE(SUCCEEDED(effect->GetVector(effect->GetParameterElement("Offsets", 1), &second)));
  EXPECT_EQ(second.x, 3.0f);
  EXPECT_EQ(second.y, 4.0f);

  // Matrices are described by rows and their defaults read row by row.
  D3DXPARAMETER_DESC shearDesc = {};
  ASSERT_TRUE(SUCCEEDED(effect->GetParameterDesc("Shear", &shearDesc)));
  EXPECT_EQ(shearDesc.Class, D3DXPC_MATRIX_ROWS);
  EXPECT_EQ(shearDesc.Rows, 3u);
  EXPECT_EQ(shearDesc.Columns, 2u);
  D3DXMATRIX shear;
  EXPECT_TRUE(SUCCEEDED(effect->GetMatrix("Shear", &shear)));
  EXPECT_EQ(shear._11, 1.0f);
  EXPECT_EQ(shear._12, 2.0f);
  EXPECT_EQ(shear._21, 3.0f);
  EXPECT_EQ(shear._32, 6.0f);

  const char* label = nullptr;
  EXPECT_TRUE(SUCCEEDED(effect->GetString("Label", &label)));
  EXPECT_STREQ(label, "hello");

  D3DXPARAMETER_DESC pictureDesc = {};
  ASSERT_TRUE(SUCCEEDED(effect->GetParameterDesc("Picture", &pictureDesc)));
  EXPECT_EQ(pictureDesc.Type, D3DXPT_TEXTURE2D);
  D3DXPARAMETER_DESC samplerDesc = {};
  ASSERT_TRUE(SUCCEEDED(effect->GetParameterDesc("PictureSampler", &samplerDesc)));
  EXPECT_EQ(samplerDesc.Type, D3DXPT_SAMPLER2D);
}

TEST_F(EffectWriterTest, AnnotationsReadBackOnParametersTechniquesAndPasses) {
  D3DXHANDLE amount = effect->GetParameterByName(nullptr, "Amount");
  const char* name = nullptr;
  EXPECT_TRUE(SUCCEEDED(effect->GetString(effect->GetAnnotationByName(amount, "UIName"), &name)));
  EXPECT_STREQ(name, "Amount");
  INT order = 0;
  EXPECT_TRUE(SUCCEEDED(effect->GetInt(effect->GetAnnotationByName(amount, "Order"), &order)));
  EXPECT_EQ(order, 2);
  float range[2] = {};
  EXPECT_TRUE(SUCCEEDED(effect->GetFloatArray(effect->GetAnnotationByName(amount, "Range"), range, 2)));
  EXPECT_EQ(range[1], 4.0f);

  D3DXHANDLE solid = effect->GetTechniqueByName("Solid");
  INT level = 0;
  EXPECT_TRUE(SUCCEEDED(effect->GetInt(effect->GetAnnotationByName(solid, "Level"), &level)));
  EXPECT_EQ(level, 7);
  D3DXHANDLE first = effect->GetPassByName(solid, "First");
  const char* note = nullptr;
  EXPECT_TRUE(SUCCEEDED(effect->GetString(effect->GetAnnotationByName(first, "Note"), &note)));
  EXPECT_STREQ(note, "first");
  EXPECT_NE(effect->GetPassByName(solid, "Second"), nullptr);
}

TEST_F(EffectWriterTest, PassesSetTheirStatesOnTheDevice) {
  DS_ComHolder<IDirect3DTexture9> picture = ds_test::MakeTexture(4, 4, [](int, int) { return 0xFFFFFFFFu; });
  ASSERT_TRUE(picture);
  ASSERT_TRUE(SUCCEEDED(effect->SetTexture("Picture", picture.Get())));
  ASSERT_TRUE(SUCCEEDED(effect->SetTechnique("Solid")));
  UINT passes = 0;
  ASSERT_TRUE(SUCCEEDED(effect->Begin(&passes, D3DXFX_DONOTSAVESTATE)));
  ASSERT_EQ(passes, 2u);

  ASSERT_TRUE(SUCCEEDED(effect->BeginPass(0)));
  DWORD value = 0;
  device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, DWORD(D3DZB_FALSE));
  device->GetRenderState(D3DRS_COLORWRITEENABLE, &value);
  EXPECT_EQ(value, DWORD(D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_GREEN));
  device->GetRenderState(D3DRS_SRCBLEND, &value);
  EXPECT_EQ(value, DWORD(D3DBLEND_INVDESTCOLOR));
  DS_ComHolder<IDirect3DBaseTexture9> bound;
  device->GetTexture(1, bound.Receive());
  EXPECT_EQ(bound.Get(), static_cast<IDirect3DBaseTexture9*>(picture.Get())) << "Texture[1] = <Picture>";
  effect->EndPass();

  ASSERT_TRUE(SUCCEEDED(effect->BeginPass(1)));
  device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, DWORD(D3DCULL_CW));
  device->GetRenderState(D3DRS_DEPTHBIAS, &value);
  float bias;
  std::memcpy(&bias, &value, sizeof bias);
  EXPECT_EQ(bias, 0.5f);
  DS_ComHolder<IDirect3DPixelShader9> shader;
  device->GetPixelShader(shader.Receive());
  EXPECT_FALSE(shader) << "PixelShader = NULL";
  effect->EndPass();
  effect->End();

  // Leave the device as the next test expects it.
  device->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DEPTHBIAS, 0);
  device->SetTexture(1, nullptr);
}

}  // namespace
