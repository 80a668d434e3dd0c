// Which particle families ask their slide for the scene drawn so far: only those that
// draw it back, so that no object makes the slide's picture disappear. Every family by
// blend mode, with and without an effect; every answer of true followed by a draw
// that lays the scene again; and slides whose particle objects have no effect still
// showing their picture.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/DocResManager.h"
#include "objects/particles/AirBrushes.h"
#include "objects/particles/FallingStars.h"
#include "objects/particles/Fireworks.h"
#include "objects/particles/Lightning.h"
#include "objects/particles/ParticlesObj.h"
#include "objects/particles/Plant.h"
#include "objects/particles/RadialRays.h"
#include "objects/particles/Smoke.h"
#include "objects/particles/SpriteAnimations.h"
#include "ParticleTestSupport.h"
#include "render/Layer.h"
#include "render/ViewContext.h"
#include "support/FakeEffect.h"
#include "support/PictureSlideTest.h"
#include "support/SceneTest.h"

using particles_test::Reading;
using particles_test::WrittenBytes;

namespace {

const DS_FileKey kEffectKey(L"C:\\scene\\particles.fx", 41);
// Neither embedded nor a module: no effect.
const DS_FileKey kMissingEffectKey(L"C:\\scene\\missing.fx", 42);

// How a family's answer depends on its settings.
enum class Reads {
  kByBlendMode,  // screen and colour dodge, when it can compose
  kAlways,       // whenever it can compose, whatever the blend mode
  kNever,        // it draws only its own quads
};

struct Family {
  const char* name;
  std::function<DS_TexParticleGenerator*()> make;
  Reads reads;
};

template <class T>
std::function<DS_TexParticleGenerator*()> Maker() {
  return [] { return new T(); };
}

DS_TexParticleGenerator* MakePathAnimation() {
  DS_PathAnimtion* animation = new DS_PathAnimtion();
  for (float x : {10.0f, 90.0f}) animation->path.push_back(MakePathPoint(D3DXVECTOR3(x, 20.0f, 0.0f)));
  return animation;
}

const std::vector<Family>& Families() {
  static const std::vector<Family> families = {
      {"twinkling stars", Maker<DS_TwinklingStars>(), Reads::kByBlendMode},
      {"custom air brush", Maker<DS_CustomAirBrush>(), Reads::kByBlendMode},
      {"bling", Maker<DS_Bling>(), Reads::kByBlendMode},
      {"aurora", Maker<DS_Aurora>(), Reads::kByBlendMode},
      {"radial rays", Maker<DS_RadialRays>(), Reads::kByBlendMode},
      {"lightning", Maker<DS_LightningGN>(), Reads::kAlways},
      {"firework", Maker<DS_FireworkSimple>(), Reads::kAlways},
      {"falling stars", Maker<DS_FallingStars>(), Reads::kAlways},
      {"smoke", Maker<DS_Smoke>(), Reads::kNever},
      {"static animation", Maker<DS_StaticAnimation>(), Reads::kNever},
      {"brownian animation", Maker<DS_BrownAnimation>(), Reads::kNever},
      {"path animation", MakePathAnimation, Reads::kNever},
      {"plant", Maker<DS_Plant>(), Reads::kNever},
  };
  return families;
}

bool ExpectedAnswer(Reads reads, int blendMode, bool withEffect) {
  if (!withEffect) return false;
  switch (reads) {
    case Reads::kByBlendMode:
      return blendMode == DS_TexParticleGenerator::kBlendScreen || blendMode == DS_TexParticleGenerator::kBlendColorDodge;
    case Reads::kAlways:
      return true;
    case Reads::kNever:
      return false;
  }
  return false;
}

class ParticleSceneInputTest : public ds_test::SceneTest {
protected:
  void SetUp() override {
    SceneTest::SetUp();
    if (HasFatalFailure()) return;
    EmbedFile(kEffectKey, L"particles.fx", {'F', 'X', 7});
    SetSceneTexture();
  }

  // One frame of the object on the test layer; true when it put the scene back: drew
  // the full-picture quad while the effect's "Texture1" (the scene input of every
  // composite) was the scene.
  bool DrawsTheSceneBack(DS_ABObj& object) {
    FakeEffect* effect = factory.LastEffect();
    if (effect) effect->ClearRecord();
    Draw(object, 0.1f);
    for (const ds_test::RecordedDraw& d : layer.draws) {
      if (d.geometry == &layer.GetLayerQuad() && d.Texture("Texture1") == layer.scene.Get()) return true;
    }
    return false;
  }

  FakeEffectFactory factory;
};

TEST_F(ParticleSceneInputTest, AnObjectAsksForTheSceneOnlyWhenItDrawsItBack) {
  for (const Family& family : Families()) {
    for (int blendMode : {0, 1, 2, 3}) {
      for (bool withEffect : {false, true}) {
        const std::string what = std::string(family.name) + ", blend mode " + std::to_string(blendMode) +
                                 (withEffect ? ", with an effect" : ", without an effect");
        std::unique_ptr<DS_TexParticleGenerator> item(family.make());
        item->blendMode.SetValue(blendMode);
        item->effectLink.StoreKey(withEffect ? kEffectKey : kMissingEffectKey);
        std::unique_ptr<DS_ABObj> object(item->CreateObject());
        const bool expected = ExpectedAnswer(family.reads, blendMode, withEffect);
        EXPECT_EQ(expected, object->NeedsSceneInput()) << what;
        // The items have no pictures: the particles are left out, the scene is not. An
        // object that did not ask must not lay the scene again either: it would lay
        // the bare picture over whatever the slide drew before it.
        EXPECT_EQ(expected, DrawsTheSceneBack(*object)) << what;
      }
    }
  }
}

TEST_F(ParticleSceneInputTest, WithAnUnusableTargetNoFamilyAsksForTheScene) {
  for (const Family& family : Families()) {
    if (family.reads == Reads::kNever) continue;
    std::unique_ptr<DS_TexParticleGenerator> item(family.make());
    item->blendMode.SetValue(DS_TexParticleGenerator::kBlendColorDodge);
    item->effectLink.StoreKey(kEffectKey);
    std::unique_ptr<DS_ABObj> object(item->CreateObject());
    auto* generator = static_cast<DS_TexParticleGenerator*>(static_cast<DS_ParticlesObj*>(object.get())->GetGenerator());
    generator->AcquireTarget();
    ASSERT_NE(nullptr, generator->GetTarget()) << family.name;
    EXPECT_TRUE(object->NeedsSceneInput()) << family.name;
    // What a failed creation leaves: a pair without textures, which no draw uses.
    generator->GetTarget()->ReleaseTextures();
    EXPECT_FALSE(object->NeedsSceneInput()) << family.name;
    generator->AcquireTarget();
  }
}

// ---- on a slide ----

struct SlideCase {
  const char* name;
  std::function<DS_TexParticleGenerator*()> make;
  int blendMode;
};

void PrintTo(const SlideCase& c, std::ostream* os) { *os << c.name << ", blend mode " << c.blendMode; }

class ParticleSlideTest : public ds_test::PictureSlideTest, public ::testing::WithParamInterface<SlideCase> {};

TEST_P(ParticleSlideTest, AnObjectWithoutAnEffectLeavesThePicture) {
  const SlideCase& c = GetParam();
  std::unique_ptr<DS_TexParticleGenerator> written(c.make());
  written->blendMode.SetValue(c.blendMode);
  written->effectLink.StoreKey(kMissingEffectKey);
  // The item as the document hands it over.
  Reading reading(WrittenBytes(*written));
  DS_ABObj_Constructor* item = ReadAnyObject(reading.handle);
  ASSERT_NE(nullptr, item) << c.name;
  Build(item);
  ASSERT_EQ(1u, slide->GetVisualObjects().size());
  for (float t : {0.1f, 0.2f}) {
    const ds_test::Image image = Frame(t);
    const int x = ds_test::kTestDeviceWidth / 2;
    for (int y : {10, ds_test::kTestDeviceHeight / 2, ds_test::kTestDeviceHeight - 10}) {
      ASSERT_TRUE(ShowsThePicture(image, x, y, std::string("ParticleSlide") + c.name)) << "t = " << t;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Families, ParticleSlideTest,
                         ::testing::Values(SlideCase{"FallingStars", Maker<DS_FallingStars>(), 0},
                                           SlideCase{"Firework", Maker<DS_FireworkSimple>(), 1},
                                           SlideCase{"Lightning", Maker<DS_LightningGN>(), 2},
                                           SlideCase{"TwinklingStars", Maker<DS_TwinklingStars>(), 1},
                                           SlideCase{"Smoke", Maker<DS_Smoke>(), 2},
                                           SlideCase{"StaticAnimation", Maker<DS_StaticAnimation>(), 1}));

}  // namespace
