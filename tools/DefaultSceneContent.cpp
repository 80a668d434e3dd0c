#include "tools/DefaultSceneContent.h"

#include <functional>
#include <future>

namespace ds_tools {

const wchar_t kSceneSignature[] = L"KTZ v 4.0.0";
const wchar_t kSceneFolder[] = L"C:\\Scenes\\Default\\";

const char kShowcaseText[] = "EVERY LAYER, EVERY ITEM";

namespace {

// Indices into MakeSlidePictures().
enum SlidePicture {
  kDawn, kMeadow, kChecker, kGlow, kDuskLake, kStormNight, kWinterNight, kSeaside, kSeaFloor, kHearth,
  kPond, kTerminal
};

// Runs each maker on a thread of its own and gathers what they made, in order: the
// pictures are drawn at full-HD size and independent of each other.
template <class T>
std::vector<T> MakeAll(const std::vector<std::function<T()>>& makers) {
  std::vector<std::future<T>> made;
  for (const std::function<T()>& maker : makers) made.push_back(std::async(std::launch::async, maker));
  std::vector<T> out;
  for (std::future<T>& picture : made) out.push_back(picture.get());
  return out;
}

}  // namespace

const std::vector<DefaultSlide>& DefaultSlides() {
  // Every slide differs from the one before in fades, picture and camera: the first
  // opens at once and stays longest (whoever watches the saver start sees it a few
  // seconds late); the special layers hold their camera still.
  static const std::vector<DefaultSlide> slides = {
      {L"Dawn", "birds cross a dawn sky with god rays, light rays and sparkles", L"DS_2D_Light", kDawn, 0, 9, 1,
       1, 120, 50, true,
       {L"DS_BirdConstructor", L"DS_GodRayConstructor", L"DS_RadialRays", L"DS_SparkleConstructor"}},
      {L"Meadow", "butterflies, grass, flowers, a plant, falling leaves and drifting seeds on a meadow",
       L"DS_2D_Light", kMeadow, 1, 3, 1, 1, 140, 25, false,
       {L"DS_GrassConstructor", L"DS_FlowerConstructor", L"DS_Plant", L"DS_ButterflyConstructor",
        L"DS_3D_in_2D_array_Constructor", L"DS_FlowConstructor", L"DS_StaticAnimation", L"DS_BrownAnimation",
        L"DS_PathAnimtion"}},
      {L"Dusk lake", "a lake at dusk with fish, ghosts, fog, smoke, birds and god rays", L"FakeLake2D", kDuskLake,
       1, 3, 1, 0, 100, 50, false,
       {L"DS_FishConstructor", L"DS_GhostConstructor", L"DS_FogConstructor", L"DS_Smoke", L"DS_BirdConstructor",
        L"DS_GodRayConstructor"}},
      {L"Storm", "a night over a town with fireworks, lightning, flashes, rain, discharges, an explosion and glints",
       L"DS_2D_Light", kStormNight, 1, 3, 1, 1, 120, 80, false,
       {L"DS_FireworkSimple", L"DS_LightningGN", L"DS_LightingConstructor", L"DS_RainConstructor",
        L"DS_DischargeConstructor", L"DS_DischargeFXConstructor", L"DS_ExplosionConstructor",
        L"DS_SparkleConstructor"}},
      {L"Snow globe", "a glass ball on its stand with snow, twinkling stars, sparkles, bling, an aurora and an air brush",
       L"DS_GlassBallLight", kWinterNight, 1, 3, 1, 0, 100, 50, false,
       {L"DS_FallingStars", L"DS_TwinklingStars", L"DS_Bling", L"DS_Aurora", L"DS_CustomAirBrush",
        L"DS_SparkleConstructor"}},
      {L"Code rain", "falling code with a scrolling text", L"DS_MatrixCodeLight", kTerminal, 1, 3, 1, 0, 100, 50,
       false, {L"DS_ScrollingTextConstructor"}},
      {L"Seaside", "a seaside picture with water, fire, wave, light and background-copy brushes and a butterfly",
       L"DS_2D_Light", kSeaside, 1, 3, 1, 1, 110, 40, false,
       {L"DS_ButterflyConstructor", L"DS_WaterFX", L"DS_FireFX", L"DS_WavesFX", L"DS_LightFX", L"DS_LightFX_II",
        L"DS_BackgroundCopy"}},
      {L"Patterns", "pattern brushes, an expanding and a radial wave over a checker", L"DS_2D_Light", kChecker, 1,
       3, 1, 1, 130, 60, false, {L"DS_PatternBrush", L"DS_PatternBrushC", L"DS_ExpandFX", L"DS_RadialWaveFX"}},
      {L"Under the sea", "under water: moving, falling and cloud brushes, fish and glints", L"FakeUndervater",
       kSeaFloor, 1, 3, 1, 0, 100, 50, false,
       // The glints and fish first, on top: the brushes lay their changed picture over
       // what lies under them in their patches.
       {L"DS_StatObjConstructor", L"DS_FishConstructor", L"DS_MoveFX", L"DS_WaterfallFX", L"DS_CloudFX"}},
      {L"Hearth", "a fire in a hearth with sparks and rotating and bending brushes", L"DS_FlameLight", kHearth, 1,
       3, 1, 0, 100, 50, false, {L"DS_RotationFX", L"DS_BendFX", L"DS_SparkleConstructor"}},
      {L"Pond", "a pond with water rings, drifting leaves, a clock, a text, a link and music",
       L"DS_WaterRingLight", kPond, 1, 3, 1, 1, 120, 40, false,
       {L"DS_ClockConstructor", L"DS_StaticTextConstructor", L"DS_TextLinkConstructor", L"DS_FlowConstructor",
        L"DS_MP3_Constructor"}},
  };
  return slides;
}

std::vector<ScenePicture> MakeSlidePictures() {
  // Drawn once per process (the builder and the tests ask many times) and copied out.
  static const std::vector<ScenePicture> pictures = MakeAll<ScenePicture>(
      {MakeDawnSky, MakeMeadow, MakeSoftChecker, MakeGlowingDiscs, MakeDuskLake, MakeStormNight, MakeWinterNight,
       MakeSeaside, MakeSeaFloor, MakeHearth, MakePond, MakeTerminal});
  return pictures;
}

std::vector<SpritePicture> MakeSpritePictures() {
  static const std::vector<SpritePicture> pictures = MakeAll<SpritePicture>(
      {MakeSoftDot, MakeStarSprite, MakeFishSprite, MakeBirdSprite, MakeRainDrop, MakeFogPuff, MakeLightShaft,
       MakeFlowerSprite, MakeGrassBlade, MakeGhostSprite, MakeLeafSprite, MakeBoltStrip, MakeSparkStrip, MakeArcGlow,
       MakeFireGradient, MakeButterflyWing});
  return pictures;
}

ScenePicture MakeSurroundPicture() { return MakeSurround(); }

std::vector<SceneSound> MakeMusicTracks() {
  std::vector<SceneSound> tracks;
  tracks.push_back(MakeMorningTheme());
  tracks.push_back(MakeEveningTheme());
  return tracks;
}

SceneSound MakeSoundItemSound() { return MakeChime(); }

std::wstring ScenePath(const wchar_t* fileName) { return std::wstring(kSceneFolder) + fileName; }

DS_ResourceEntry SceneFileEntry(const std::wstring& path, const std::vector<unsigned char>& bytes) {
  DS_ResourceEntry entry;
  entry.SetName(path);
  entry.SetData(uint32_t(bytes.size()), bytes.data());
  return entry;
}

}  // namespace ds_tools
