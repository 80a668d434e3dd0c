// Census of the class registries: every class name a document may hold, which of
// them this build can read, and that nothing else is registered. A reader object
// dropped by the linker, or a misspelt name (documents store the names as they
// are, misspellings included), shows up here.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "document/ClassRegistry.h"

namespace {

struct KnownClass {
  const wchar_t* name;
  bool built;  // the class exists in this build and must be registered
};

const KnownClass kLayers[] = {
    {L"DS_2D_Light", true},        {L"DS_FlameLight", true},     {L"DS_GlassBallLight", true},
    {L"DS_MatrixCodeLight", true}, {L"FakeUndervater", true},    {L"FakeLake2D", true},
    {L"DS_WaterRingLight", true},
};

const KnownClass kSlides[] = {{L"DS_SlideContainer", true}};

const KnownClass kItems[] = {
    {L"DS_GodRayConstructor", true},   {L"DS_SparkleConstructor", true},
    {L"DS_FlowConstructor", true},      {L"DS_FishConstructor", true},
    {L"DS_GhostConstructor", true},    {L"DS_FogConstructor", true},
    {L"DS_LightingConstructor", true}, {L"DS_GrassConstructor", true},
    {L"DS_RainConstructor", true},      {L"DS_StatObjConstructor", true},
    {L"DS_FlowerConstructor", true},   {L"DS_BirdConstructor", true},
    {L"DS_DischargeConstructor", true}, {L"DS_DischargeFXConstructor", true},
    {L"DS_ButterflyConstructor", true}, {L"DS_ClockConstructor", true},
    {L"DS_Bling", true},                {L"DS_CustomAirBrush", true},
    {L"DS_TwinklingStars", true},       {L"DS_Aurora", true},
    {L"DS_BackgroundCopy", true},      {L"DS_WavesFX", true},
    {L"DS_LightFX", true},              {L"DS_PatternBrush", true},
    {L"DS_PatternBrushC", true},       {L"DS_WaterFX", true},
    {L"DS_MoveFX", true},              {L"DS_FireFX", true},
    {L"DS_ExpandFX", true},            {L"DS_RadialWaveFX", true},
    {L"DS_RotationFX", true},          {L"DS_WaterfallFX", true},
    {L"DS_BendFX", true},              {L"DS_LightFX_II", true},
    {L"DS_CloudFX", true},             {L"DS_ExplosionConstructor", true},
    {L"DS_FallingStars", true},         {L"DS_FireworkSimple", true},
    {L"DS_LightningGN", true},          {L"DS_Plant", true},
    {L"DS_RadialRays", true},           {L"DS_Smoke", true},
    {L"DS_StaticAnimation", true},      {L"DS_BrownAnimation", true},
    {L"DS_PathAnimtion", true},         {L"DS_StaticTextConstructor", true},
    {L"DS_ScrollingTextConstructor", true}, {L"DS_TextLinkConstructor", true},
    {L"DS_3D_in_2D_array_Constructor", true}, {L"DS_MP3_Constructor", true},
    {L"DS_WAV_Constructor", true},
};

template <class Registry, size_t N>
void CheckRegistry(const Registry& registry, const KnownClass (&known)[N],
                   size_t expectedKnown) {
  ASSERT_EQ(expectedKnown, N) << "the list of known names is incomplete";
  std::set<ds_string> expected;
  std::set<ds_string> allowed;
  for (const KnownClass& k : known) {
    allowed.insert(ds_string(k.name));
    if (k.built) expected.insert(ds_string(k.name));
  }
  std::set<ds_string> registered;
  for (const auto& entry : registry) {
    EXPECT_NE(nullptr, entry.second);
    registered.insert(entry.first);
    EXPECT_TRUE(allowed.count(entry.first))
        << "registered under a name no document uses: "
        << std::string(entry.first.begin(), entry.first.end());
  }
  for (const ds_string& name : expected) {
    EXPECT_TRUE(registered.count(name))
        << "reader missing (dropped by the linker?): " << std::string(name.begin(), name.end());
  }
  EXPECT_EQ(expected.size(), registered.size());
}

TEST(Census, LayerRegistryHoldsTheBuiltLayers) {
  CheckRegistry(IOF_Virtual_ReaderII<DS_2D_Light>::GetRegistry(), kLayers, 7);
}

TEST(Census, SlideRegistryHoldsTheSlideContainer) {
  CheckRegistry(IOF_Virtual_ReaderII<DS_SlideContainer>::GetRegistry(), kSlides, 1);
}

TEST(Census, ItemRegistryHoldsTheBuiltItems) {
  CheckRegistry(IOF_Virtual_Reader::GetRegistry(), kItems, 51);
}

}  // namespace
