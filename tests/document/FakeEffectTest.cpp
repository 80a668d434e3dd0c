// The recording effect fake that the effect-driven tests rely on, and the effect
// creator seam it plugs into. No device.
#include <gtest/gtest.h>

#include "document/EffectFactory.h"
#include "support/FakeEffect.h"

TEST(FakeEffect, RecordsParametersByNameWithTheirKindAndValues) {
  FakeEffect* effect = new FakeEffect();
  D3DXHANDLE handle = effect->GetParameterByName(nullptr, "g_Colour");
  ASSERT_NE(nullptr, handle);
  D3DXVECTOR4 colour(0.1f, 0.2f, 0.3f, 1.0f);
  EXPECT_EQ(D3D_OK, effect->SetVector(handle, &colour));
  EXPECT_EQ(D3D_OK, effect->SetFloat("g_Time", 2.5f));
  EXPECT_EQ(D3D_OK, effect->SetFloat("g_Time", 3.5f));
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  EXPECT_EQ(D3D_OK, effect->SetMatrix("g_World", &identity));
  EXPECT_EQ(D3D_OK, effect->SetInt("g_Count", 7));
  EXPECT_EQ(D3D_OK, effect->SetBool("g_On", TRUE));
  EXPECT_EQ(D3D_OK, effect->SetTexture("g_Texture", nullptr));

  ASSERT_NE(nullptr, effect->Last("g_Colour"));
  EXPECT_EQ(FakeEffect::Kind::Vector, effect->Last("g_Colour")->kind);
  EXPECT_EQ(std::vector<float>({0.1f, 0.2f, 0.3f, 1.0f}), effect->LastValues("g_Colour"));
  EXPECT_EQ(std::vector<float>({3.5f}), effect->LastValues("g_Time"));
  EXPECT_EQ(16u, effect->LastValues("g_World").size());
  EXPECT_EQ(FakeEffect::Kind::Int, effect->Last("g_Count")->kind);
  EXPECT_EQ(std::vector<float>({1.0f}), effect->LastValues("g_On"));
  EXPECT_EQ(FakeEffect::Kind::Texture, effect->Last("g_Texture")->kind);
  EXPECT_EQ(2u, effect->CountEvents("Set g_Time"));
  EXPECT_EQ(7u, effect->ParamSets().size());
  float time = 0;
  EXPECT_EQ(D3D_OK, effect->GetFloat("g_Time", &time));
  EXPECT_EQ(3.5f, time);
  EXPECT_EQ(nullptr, effect->Last("never"));
  effect->Release();
}

TEST(FakeEffect, DeclaredNamesRestrictLookupsAndTechniques) {
  FakeEffect* effect = new FakeEffect();
  effect->DeclareTechniques({"Blur", "Glow"});
  effect->DeclareParameters({"g_Amount"});
  EXPECT_EQ(nullptr, effect->GetParameterByName(nullptr, "g_Other"));
  EXPECT_NE(nullptr, effect->GetParameterByName(nullptr, "g_Amount"));
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->SetFloat("g_Other", 1.0f)) << "a name the effect does not have";
  EXPECT_EQ(D3D_OK, effect->SetFloat("g_Amount", 2.0f));
  EXPECT_EQ(nullptr, effect->Last("g_Other"));
  EXPECT_EQ(1u, effect->CountEvents("Unknown g_Other"));
  EXPECT_EQ(nullptr, effect->GetTechniqueByName("Missing"));
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->SetTechnique("Missing"));
  EXPECT_EQ(D3D_OK, effect->SetTechnique(effect->GetTechniqueByName("Glow")));
  EXPECT_EQ("Glow", effect->CurrentTechnique());
  EXPECT_STREQ("Glow", effect->GetCurrentTechnique());
  D3DXHANDLE next = nullptr;
  EXPECT_EQ(D3D_OK, effect->FindNextValidTechnique(nullptr, &next));
  EXPECT_STREQ("Blur", next);
  effect->Release();
}

TEST(FakeEffect, RecordsTheDrawingSequenceWithItsPassCount) {
  FakeEffect* effect = new FakeEffect();
  effect->SetPassCount(2);
  UINT passes = 0;
  EXPECT_EQ(D3D_OK, effect->Begin(&passes, 0));
  EXPECT_EQ(2u, passes);
  for (UINT i = 0; i < passes; ++i) {
    EXPECT_EQ(D3D_OK, effect->BeginPass(i));
    EXPECT_EQ(D3D_OK, effect->CommitChanges());
    EXPECT_EQ(D3D_OK, effect->EndPass());
  }
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->BeginPass(2)) << "a pass past the count";
  EXPECT_EQ(D3D_OK, effect->End());
  EXPECT_EQ(std::vector<std::string>({"Begin 0", "BeginPass 0", "CommitChanges", "EndPass", "BeginPass 1",
                                      "CommitChanges", "EndPass", "BeginPass 2", "End"}),
            effect->Events());
  EXPECT_EQ(1, effect->BeginCount());
  EXPECT_EQ(1, effect->EndCount());
  EXPECT_FALSE(effect->InBegin());
  effect->Release();
}

TEST(FakeEffect, CountsReferences) {
  FakeEffect* effect = new FakeEffect();
  EXPECT_EQ(1u, effect->RefCount());
  ID3DXEffect* asEffect = nullptr;
  EXPECT_EQ(S_OK, effect->QueryInterface(IID_ID3DXEffect, reinterpret_cast<void**>(&asEffect)));
  EXPECT_EQ(2u, effect->RefCount());
  asEffect->Release();
  EXPECT_EQ(1u, effect->RefCount());
  effect->Release();
}

TEST(EffectFactory, TheFakeFactoryStandsInWhileItLives) {
  const char bytes[] = "effect bytes";
  {
    FakeEffectFactory factory;
    factory.SetPassCount(3);
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(D3D_OK, CreateEffectFromBytes(nullptr, bytes, sizeof(bytes), &effect));
    ASSERT_EQ(factory.LastEffect(), effect);
    EXPECT_EQ(3u, factory.LastEffect()->PassCount());
    EXPECT_EQ(2u, factory.LastEffect()->RefCount()) << "the caller's and the factory's";
    effect->Release();

    factory.FailNext(1);
    EXPECT_EQ(E_FAIL, CreateEffectFromBytes(nullptr, bytes, sizeof(bytes), &effect));
    EXPECT_EQ(nullptr, effect);
    EXPECT_EQ(E_INVALIDARG, CreateEffectFromBytes(nullptr, bytes, 0, &effect)) << "no bytes, no request";
    ASSERT_EQ(2u, factory.Requests().size());
    EXPECT_EQ(std::string(bytes, sizeof(bytes)),
              std::string(factory.Requests()[1].bytes.begin(), factory.Requests()[1].bytes.end()));
  }
  // D3DX again: text that is no effect fails (and needs no device to fail).
  ID3DXEffect* effect = nullptr;
  EXPECT_TRUE(FAILED(CreateEffectFromBytes(nullptr, bytes, sizeof(bytes), &effect)));
  EXPECT_EQ(nullptr, effect);
}
