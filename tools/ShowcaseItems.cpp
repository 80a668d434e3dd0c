#include "tools/ShowcaseItems.h"

#include <cmath>
#include <functional>
#include <memory>

#include "document/ModuleResources.h"
#include "objects/brushes/BackgroundCopy.h"
#include "objects/brushes/CentreBrushes.h"
#include "objects/brushes/DirectionBrushes.h"
#include "objects/brushes/FireBrush.h"
#include "objects/brushes/PatternBrush.h"
#include "objects/brushes/WaterBrush.h"
#include "objects/brushes/WaveBrushes.h"
#include "objects/mesh3d/Arrays3DIn2D.h"
#include "objects/mesh3d/Objects3D.h"
#include "objects/particles/AirBrushes.h"
#include "objects/particles/FallingStars.h"
#include "objects/particles/Fireworks.h"
#include "objects/particles/Lightning.h"
#include "objects/particles/Plant.h"
#include "objects/particles/RadialRays.h"
#include "objects/particles/Smoke.h"
#include "objects/particles/SpriteAnimations.h"
#include "objects/sprites/DischargeArcs.h"
#include "objects/sprites/Discharges.h"
#include "objects/sprites/Explosion.h"
#include "objects/sprites/Fish.h"
#include "objects/sprites/Flowers.h"
#include "objects/sprites/FlowSprites.h"
#include "objects/sprites/Fog.h"
#include "objects/sprites/GodRays.h"
#include "objects/sprites/Grass.h"
#include "objects/sprites/LightningFlashes.h"
#include "objects/sprites/Rain.h"
#include "objects/sprites/Sparkles.h"
#include "objects/sprites/StaticSprite.h"
#include "objects/text/TextObjects.h"
#include "render/TimeLine.h"
#include "sound/MP3SoundItem.h"
#include "sound/WAVSoundItem.h"
#include "tools/DefaultPictures.h"
#include "tools/DefaultSceneContent.h"
#include "tools/Picture.h"

namespace ds_tools {
namespace {

const wchar_t* const kModule = kSharedModuleName;

// The look of a sprite item: picture, count, size in pixels, tint (red in the low
// byte) and whether it adds light.
struct SpriteLook {
  const wchar_t* picture;
  unsigned int count;
  unsigned int size;
  unsigned long colour;
  int additive;
};

// The look of a particle generator: picture, tints (red in the low byte), lifetime,
// emission rate, size factor and speed (raw stored values).
struct ParticleLook {
  const wchar_t* picture;
  unsigned long colour1;
  unsigned long colour2;
  unsigned int lifetime;
  unsigned int rate;
  unsigned int size;
  unsigned int speed;
};

// The showcase's sizes, distances and speeds in scene pixels were laid out for a
// slide picture this many pixels high; they grow with the picture, so that a slide
// shows the same things in the same places at any picture size.
const float kLayoutHeight = 200.0f;

float Scaled(float height, float pixels) { return pixels * height / kLayoutHeight; }
unsigned Px(float height, float pixels) { return unsigned(std::lround(Scaled(height, pixels))); }

// A size given in hundredths of the sprite picture's own size, for a picture made at
// kSpritePixelsPerUnit: the same size on the slide whatever the picture's resolution.
unsigned OfSprite(float height, float hundredths) {
  return unsigned(std::lround(hundredths * height / kLayoutHeight / kSpritePixelsPerUnit));
}

DS_FileKey PictureKey(const ShowcaseAssets& assets, const wchar_t* name) {
  auto found = assets.pictures.find(name);
  return found != assets.pictures.end() ? found->second : DS_FileKey();
}

// A sprite picture carried in the entry itself, as a DDS file filed under its scene
// path (the entries of the 3D-in-2D arrays hold their bytes, not a link).
DS_ResourceEntry EmbeddedPicture(const SpritePicture& sprite) {
  return SceneFileEntry(ScenePath(sprite.fileName), EncodeDds32(sprite.picture));
}

// Links the document's effect of that name, if the build made it.
void UseEffect(DS_FileLink3& link, const ShowcaseAssets& assets, const char* name) {
  auto effect = assets.effects.find(name);
  if (effect != assets.effects.end()) link.StoreKey(effect->second);
}

void SetSprites(DS_BaseSpriteProp& item, const ShowcaseAssets& assets, const SpriteLook& look) {
  item.mainImage.StoreKey(PictureKey(assets, look.picture));
  item.secondImage.StoreKey(PictureKey(assets, L"soft_dot.dds"));
  item.spriteCount.SetValue(look.count);
  item.spriteSize.SetValue(look.size);
  item.colour.SetValue(look.colour);
  item.additive.SetValue(look.additive);
  item.sizeFactorMin = 0.6f;
  item.sizeFactorMax = 1.2f;
}

void SetParticles(DS_TexParticleGenerator& item, const ShowcaseAssets& assets, const ParticleLook& look) {
  item.textureLinks.assign(1, DS_ImageFileLink(PictureKey(assets, look.picture)));
  UseEffect(item.effectLink, assets, "particles");
  item.colour1.SetValue(look.colour1);
  item.colour2.SetValue(look.colour2);
  item.lifetime.SetValue(look.lifetime);
  item.emissionRate.SetValue(look.rate);
  item.sizeFactor.SetValue(look.size);
  item.speed.SetValue(look.speed);
  item.emit.SetValue(1);
}

void SetTextItem(DS_StaticTextConstructor& item, const ShowcaseAssets& assets, const wchar_t* text,
                 float x, float y, unsigned int width, unsigned int height) {
  UseEffect(item.effectLink, assets, "text");
  item.Text.SetValue(text);
  item.guid = assets.textGuid;
  item.position.SetValue(D3DXVECTOR3(x, y, 0.0f));
  item.width.SetValue(width);
  item.height.SetValue(height);
  item.colour.SetValue(0xFFFFFF);
}

typedef std::function<DS_ABObj_Constructor*(const ShowcaseAssets&, float, float)> Maker;

// A sprite item whose look's size is in layout pixels, for a slide `height` pixels high.
template <class T>
T* Sprites(const ShowcaseAssets& assets, float height, SpriteLook look) {
  look.size = Px(height, float(look.size));
  T* item = new T();
  SetSprites(*item, assets, look);
  return item;
}

// A particle generator whose look's speed is in layout pixels, for a slide `height`
// pixels high.
template <class T>
T* Particles(const ShowcaseAssets& assets, float height, ParticleLook look) {
  look.speed = Px(height, float(look.speed));
  T* item = new T();
  SetParticles(*item, assets, look);
  return item;
}

template <class T>
T* Positioned(const ShowcaseAssets& assets, float height, const ParticleLook& look, float x, float y) {
  T* item = Particles<T>(assets, height, look);
  item->position.SetValue(D3DXVECTOR3(x, y, 0.0f));
  return item;
}

// A region in the corner order that every reader of a quad expects: top-left,
// bottom-left, top-right, bottom-right (corner 0 the minimum, corner 3 the maximum).
void SetRegion(MediaQuad& region, float left, float top, float right, float bottom) {
  region.Corner(0).SetValue(D3DXVECTOR3(left, top, 0.0f));
  region.Corner(1).SetValue(D3DXVECTOR3(left, bottom, 0.0f));
  region.Corner(2).SetValue(D3DXVECTOR3(right, top, 0.0f));
  region.Corner(3).SetValue(D3DXVECTOR3(right, bottom, 0.0f));
}

// The generator's region: the rectangle from (left, top) to (right, bottom).
template <class T>
T* InRegion(const ShowcaseAssets& assets, float height, const ParticleLook& look, float left, float top,
            float right, float bottom) {
  T* item = Particles<T>(assets, height, look);
  SetRegion(item->region, left, top, right, bottom);
  return item;
}

template <class T>
T* Effect(const ShowcaseAssets&) {
  return new T();
}

const std::map<std::wstring, Maker>& Makers() {
  static const std::map<std::wstring, Maker> makers = {
      // Sprite families.
      {L"DS_GodRayConstructor", [](const ShowcaseAssets& a, float, float h) {
         DS_GodRayConstructor* item = Sprites<DS_GodRayConstructor>(a, h, {L"light_shaft.dds", 4, 90, 0x90E0FF, 1});
         item->transparency.SetValue(60u);
         return item;
       }},
      {L"DS_SparkleConstructor", [](const ShowcaseAssets& a, float, float h) {
         return Sprites<DS_SparkleConstructor>(a, h, {L"star.dds", 20, 18, 0xFFFFFF, 1});
       }},
      {L"DS_FlowConstructor", [](const ShowcaseAssets& a, float, float h) {
         DS_FlowConstructor* item = Sprites<DS_FlowConstructor>(a, h, {L"leaf.dds", 16, 20, 0xFFFFFF, 0});
         item->speed = Scaled(h, 40.0f);
         return item;
       }},
      {L"DS_FishConstructor", [](const ShowcaseAssets& a, float, float h) {
         return Sprites<DS_FishConstructor>(a, h, {L"fish.dds", 6, 40, 0xFFFFFF, 0});
       }},
      {L"DS_GhostConstructor", [](const ShowcaseAssets& a, float, float h) {
         return Sprites<DS_GhostConstructor>(a, h, {L"ghost.dds", 4, 36, 0xFFFFFF, 0});
       }},
      {L"DS_BirdConstructor", [](const ShowcaseAssets& a, float, float h) {
         return Sprites<DS_BirdConstructor>(a, h, {L"bird.dds", 7, 36, 0xFFFFFF, 0});
       }},
      {L"DS_FogConstructor", [](const ShowcaseAssets& a, float, float h) {
         return Sprites<DS_FogConstructor>(a, h, {L"fog_puff.dds", 10, 140, 0xFFFFFF, 0});
       }},
      {L"DS_LightingConstructor", [](const ShowcaseAssets& a, float, float h) {
         // Three flashes over the sky, each dark for 0.2 to 1 s between its flickers: a
         // storm in full swing, lighting the town several times a second. A third
         // opaque, so that the sky they light keeps its bolt, burst and sparks.
         DS_LightingConstructor* item =
             Sprites<DS_LightingConstructor>(a, h, {L"soft_dot.dds", 3, 360, 0xFFE0D0, 1});
         item->transparency.SetValue(65u);
         item->TimeLine().hidden.lo.SetValue(20u);
         item->TimeLine().hidden.hi.SetValue(100u);
         return item;
       }},
      {L"DS_GrassConstructor", [](const ShowcaseAssets& a, float, float h) {
         DS_GrassConstructor* item = Sprites<DS_GrassConstructor>(a, h, {L"grass_blade.dds", 60, 40, 0x80FFC0, 0});
         item->swayAmplitude = 12.0f;
         return item;
       }},
      {L"DS_RainConstructor", [](const ShowcaseAssets& a, float, float h) {
         // A drop that falls out of the sky is only placed anew when its twinkle fades
         // it out: twinkling three times a second, every drop is renewed before it has
         // fallen the height of the picture, and the rain keeps falling.
         DS_RainConstructor* item = Sprites<DS_RainConstructor>(a, h, {L"raindrop.dds", 120, 24, 0xFFFFFF, 1});
         item->twinkleRate = 3.0f;
         item->twinkleMin = 0.0f;
         item->twinkleMax = 1.0f;
         return item;
       }},
      {L"DS_StatObjConstructor", [](const ShowcaseAssets& a, float, float h) {
         // Large enough to show over the bright water they glint on.
         return Sprites<DS_StatObjConstructor>(a, h, {L"star.dds", 16, 48, 0x80FFFF, 1});
       }},
      {L"DS_FlowerConstructor", [](const ShowcaseAssets& a, float w, float h) {
         // One flower swaying on the meadow's left, its foot at the rectangle's centre:
         // a static sprite stands at one point (by default the scene's corner), so every
         // sprite of the item would stand on the same spot.
         DS_FlowerConstructor* item =
             Sprites<DS_FlowerConstructor>(a, h, {L"flower.dds", 1, 60, 0xFFFFFF, 0});  // 0.3 of the height
         item->sizeFactorMin = 1.0f;
         item->sizeFactorMax = 1.0f;
         item->swayAmplitude = 8.0f;
         item->rectangle.Extra1().SetValue(int(w * 0.16f));
         item->rectangle.Extra2().SetValue(int(h * 0.78f));
         return item;
       }},
      {L"DS_DischargeConstructor", [](const ShowcaseAssets& a, float w, float h) {
         // Sparks crackling where the bolt ends: the static sprite stands at its
         // rectangle's centre (by default the scene's corner) and jumps between the
         // frames of its strip.
         DS_DischargeConstructor* item = Sprites<DS_DischargeConstructor>(a, h, {L"sparks.dds", 1, 40, 0xFFE0C0, 1});
         item->sizeFactorMin = 1.0f;
         item->sizeFactorMax = 1.0f;
         item->secondImage.StoreKey(DS_FileKey());
         item->frameCount = 4;
         item->frameRate = 12.0f;
         item->stripFlag = 1;
         item->rectangle.Extra1().SetValue(int(w * 0.42f));
         item->rectangle.Extra2().SetValue(int(h * 0.62f));
         return item;
       }},
      {L"DS_DischargeFXConstructor", [](const ShowcaseAssets& a, float w, float h) {
         // An arc between two roofs; the glow pass needs its picture.
         DS_DischargeFXConstructor* item = new DS_DischargeFXConstructor();
         item->startPoint.SetValue(D3DXVECTOR3(w * 0.58f, h * 0.7f, 0.0f));
         item->endPoint.SetValue(D3DXVECTOR3(w * 0.86f, h * 0.64f, 0.0f));
         item->secondImage.StoreKey(PictureKey(a, L"arc_glow.dds"));
         item->spriteCount.SetValue(8u);
         item->spriteSize.SetValue(Px(h, 20.0f));
         return item;
       }},
      {L"DS_ExplosionConstructor", [](const ShowcaseAssets& a, float w, float h) {
         // A burst of fire in the sky: the burst's size is the sprite size (its default
         // is wider than the picture); cold parts orange, hot parts white through the
         // gradient; it bursts, burns and dissolves again and again.
         DS_ExplosionConstructor* item = new DS_ExplosionConstructor();
         UseEffect(item->effectLink, a, "explosion");
         item->mainImage.StoreKey(PictureKey(a, L"fire_gradient.dds"));
         item->secondImage.StoreKey(DS_ImageFileLink(8, kModule).GetKey());
         item->position.SetValue(D3DXVECTOR3(w * 0.62f, h * 0.3f, 0.0f));
         item->spriteSize.SetValue(unsigned(h * 0.45f));
         item->width.SetValue(unsigned(h * 0.45f));
         item->height.SetValue(unsigned(h * 0.45f));
         item->colour.SetValue(0xFFFFFF);
         item->secondColour.SetValue(0x3070FF);
         item->seed.SetValue(15u);
         item->randomFlag.SetValue(0);
         DS_TimeLineControl& timeLine = item->TimeLine();
         timeLine.mode.SetValue(DS_TimeLineControl::kCycle);
         // A cycle of four seconds: hidden 0.2 s, fading in 0.5 s, burning 2.5 s, fading
         // out 0.8 s, so that the slide opens on a burst.
         timeLine.hidden.lo.SetValue(20u);
         timeLine.hidden.hi.SetValue(20u);
         timeLine.fadeIn.SetValue(50u);
         timeLine.shown.lo.SetValue(250u);
         timeLine.shown.hi.SetValue(250u);
         timeLine.fadeOut.SetValue(80u);
         return item;
       }},
      // 3D objects.
      {L"DS_ButterflyConstructor", [](const ShowcaseAssets& a, float, float h) {
         // The wings have no picture of their own by default; the butterfly keeps to
         // the middle of the picture, where it turns back before it leaves the screen.
         // Its wings span about three fifths of its size; seen edge on while they beat,
         // it needs to be large to be seen at all.
         DS_ButterflyConstructor* item = new DS_ButterflyConstructor();
         item->imageLink.StoreKey(PictureKey(a, L"butterfly_wing.dds"));
         item->size.SetValue(Px(h, 120.0f));
         item->relLeft = 0.25f;
         item->relRight = 0.75f;
         item->relTop = 0.25f;
         item->relBottom = 0.7f;
         return item;
       }},
      {L"DS_ClockConstructor", [](const ShowcaseAssets&, float w, float h) {
         // Its dial centred at (w 0.5, h 0.52), its side a third of the picture's height:
         // between the text above it and the link below, covering neither (the default
         // centre is half a scene that the tool does not have, so the corner, and the
         // default side larger than the whole picture).
         DS_ClockConstructor* item = new DS_ClockConstructor();
         const int side = int(h * 0.34f);
         const int x = int(w * 0.5f);
         const int y = int(h * 0.52f);
         item->size.SetValue(unsigned(side));
         item->clockRect.Extra1().SetValue(x);
         item->clockRect.Extra2().SetValue(y);
         item->clockRect.Left().SetValue(x - side / 2);
         item->clockRect.Right().SetValue(x + side / 2);
         item->clockRect.Top().SetValue(y - side / 2);
         item->clockRect.Bottom().SetValue(y + side / 2);
         return item;
       }},
      {L"DS_3D_in_2D_array_Constructor", [](const ShowcaseAssets& a, float, float h) {
         DS_3D_in_2D_array_Constructor* item = new DS_3D_in_2D_array_Constructor();
         // Leaves drifting down: the module's flat quad with the leaf picture carried in
         // the entry, each copy a twelfth of the picture's height across (the
         // default size 0 scales the copies to nothing).
         item->meshEntry = DS_ResourceEntry(69, kModule);
         item->textureEntry = EmbeddedPicture(MakeLeafSprite());
         item->instanceCount.SetValue(24u);
         item->params.size.SetValue(unsigned(h / 12.0f));
         item->params.speed.SetValue(30u);
         item->params.sway.SetValue(60u);
         item->params.gustRate.SetValue(10u);
         item->params.spin.SetValue(60u);
         item->params.SetDirection(290u);
         return item;
       }},
      // Particle generators.
      {L"DS_Bling", [](const ShowcaseAssets& a, float w, float h) {
         // Sparkles along the snow's edge, each growing for a second and shrinking for
         // two, turning slowly: a golden glow under a white star (a bling has no points,
         // no brush size and a cycle of no length by default).
         DS_Bling* item = Particles<DS_Bling>(a, h, {L"star.dds", 0xFFFFFF, 0xFFE0A0, 2, 20, 3, 20});
         item->textureLinks.assign(1, DS_ImageFileLink(PictureKey(a, L"soft_dot.dds")));
         item->textureLinks.push_back(DS_ImageFileLink(PictureKey(a, L"star.dds")));
         item->brushSize.SetValue(unsigned(h * 0.12f));
         item->pulseClock.SetValue(50u);   // 1: the cycle in seconds
         item->growTime.SetValue(100u);
         item->shrinkTime.SetValue(200u);
         item->spinClock.SetValue(25u);    // half a radian a second
         item->minimumSize.SetValue(40u);  // never below 0.4 of the brush
         // Stored as plain points (the painting operation draws a random phase, and the
         // document must come out the same from the same code); the brush starts each
         // point's cycle at a phase of its own when it is prepared.
         for (int k = 0; k < 7; ++k) {
           const float x = w * (0.1f + 0.13f * float(k));
           item->points.emplace_back(D3DXVECTOR3(x, h * (0.7f + 0.04f * std::sin(float(k) * 2.3f)), 0.0f));
         }
         return item;
       }},
      {L"DS_CustomAirBrush", [](const ShowcaseAssets& a, float w, float h) {
         // A pink garland of soft dots painted across the sky above the snow.
         DS_CustomAirBrush* item = Particles<DS_CustomAirBrush>(a, h, {L"flower.dds", 0xC080FF, 0xFFFFFF, 3, 10, 3, 20});
         item->pictureLink.StoreKey(PictureKey(a, L"soft_dot.dds"));
         item->brushSize.SetValue(unsigned(w * 0.07f));
         for (float x = w * 0.12f; x <= w * 0.88f; x += w * 0.02f)
           item->AddPoint(D3DXVECTOR3(x, h * (0.6f + 0.05f * std::sin(x / w * 12.0f)), 0.0f), 0, 0, 0, 0);
         return item;
       }},
      {L"DS_TwinklingStars", [](const ShowcaseAssets& a, float w, float h) {
         // Stars strewn over the upper sky, each a twentieth of the picture's height
         // (a brush has no points and no size by default). Points read back from the
         // document keep the size and opacity the brush gave them.
         DS_TwinklingStars* item = Particles<DS_TwinklingStars>(a, h, {L"star.dds", 0xFFFFFF, 0xFFE0C0, 3, 30, 2, 0});
         item->brushSize.SetValue(unsigned(h * 0.07f));
         // A fixed scatter, sizes and opacities from a half to one (the painting operation
         // draws them at random, and the document must come out the same from the same
         // code): the golden ratio spreads the stars evenly without a pattern.
         for (int k = 0; k < 24; ++k) {
           const float u = std::fmod(float(k) * 0.618034f, 1.0f);
           const float v = std::fmod(float(k) * 0.381966f + 0.13f, 1.0f);
           DS_Particle star(D3DXVECTOR3(w * (0.05f + 0.9f * u), h * (0.04f + 0.4f * v), 0.0f));
           star.size = 0.5f + 0.5f * std::fmod(float(k) * 0.7548777f, 1.0f);
           star.alpha = 0.5f + 0.5f * std::fmod(float(k) * 0.5698403f + 0.3f, 1.0f);
           item->points.push_back(star);
         }
         return item;
       }},
      {L"DS_Aurora", [](const ShowcaseAssets& a, float w, float h) {
         // A green curtain hanging in the upper sky, its stroke value the distance along
         // it in pixels, so that neighbouring shafts ripple together.
         DS_Aurora* item = Particles<DS_Aurora>(a, h, {L"light_shaft.dds", 0x80FF60, 0xFF80C0, 4, 20, 6, 10});
         item->brushSize.SetValue(unsigned(w * 0.06f));
         item->height.SetValue(unsigned(h * 0.35f));
         item->clock1.SetValue(40u);      // 1.2 radians a second
         item->amplitude1.SetValue(25u);  // the height stretched by up to a quarter
         item->period1.SetValue(10u);
         item->clock2.SetValue(60u);
         item->amplitude2.SetValue(50u);  // the opacity pulsing by up to a half
         item->period2.SetValue(6u);
         item->clock3.SetValue(30u);
         item->amplitude3.SetValue(Px(h, 6.0f));  // swaying sideways by up to 6 layout pixels
         item->period3.SetValue(15u);
         item->swayAngle.SetValue(0u);
         for (float x = w * 0.1f; x <= w * 0.9f; x += w * 0.025f)
           item->AddPoint(D3DXVECTOR3(x, h * (0.3f + 0.06f * std::sin(x / w * 8.0f)), 0.0f), 1.0f, 1.0f, 0.0f,
                          x - w * 0.1f);
         return item;
       }},
      {L"DS_FallingStars", [](const ShowcaseAssets& a, float w, float h) {
         return InRegion<DS_FallingStars>(a, h, {L"soft_dot.dds", 0xFFFFFF, 0xFFF0E0, 4, 30, 2, 40}, 0, 0, w, h);
       }},
      {L"DS_FireworkSimple", [](const ShowcaseAssets& a, float w, float h) {
         DS_FireworkSimple* item = Positioned<DS_FireworkSimple>(a, h, {L"soft_dot.dds", 0x40C0FF, 0xFF80FF, 150, 4, 20, 30},
                                                                  w * 0.5f, h);
         item->rocketCount.SetValue(3u);
         item->particleSize.SetValue(Px(h, 10.0f));
         item->rocketSpeed.SetValue(Px(h, 40.0f));
         item->originClock.SetValue(50u);
         return item;
       }},
      {L"DS_LightningGN", [](const ShowcaseAssets& a, float w, float h) {
         // The bolt's texture runs along it far beyond one picture: a streak alike along
         // its length (a dot would light only the bolt's first few pixels).
         DS_LightningGN* item = Particles<DS_LightningGN>(a, h, {L"bolt.dds", 0xFFF0E0, 0xFFB090, 1, 4, 3, 0});
         item->startPoint.SetValue(D3DXVECTOR3(w * 0.3f, 0.0f, 0.0f));
         item->endPoint.SetValue(D3DXVECTOR3(w * 0.42f, h * 0.62f, 0.0f));
         item->CoreWidth.SetValue(Px(h, 4.0f));
         item->GlowWidth.SetValue(Px(h, 18.0f));
         item->Generations.SetValue(5u);
         item->Displacement.SetValue(50u);
         item->Seed.SetValue(1234u);
         item->BranchLength.SetValue(Px(h, 40.0f));
         item->BranchAngle.SetValue(100u);
         item->Taper.SetValue(30u);
         item->BranchCount1.SetValue(2u);
         item->BranchCount2.SetValue(2u);
         item->Flicker.SetValue(20u);
         item->RandomEachTime.SetValue(1);
         return item;
       }},
      {L"DS_Plant", [](const ShowcaseAssets& a, float w, float h) {
         // Drawn through the swaying plant's own effect: the particles' effect has a
         // "Main" of its own, the glows' composite, which paints the region black.
         DS_Plant* item = InRegion<DS_Plant>(a, h, {L"leaf.dds", 0x60FF60, 0x40C040, 5, 10, 3, 10}, w * 0.05f, h * 0.45f,
                                             w * 0.35f, h);
         UseEffect(item->effectLink, a, "plant");
         // Swaying in the wind (still by default): the top leans by up to 6 % of the
         // picture's width, a ripple runs up the stem, a swing about every three seconds.
         item->TimeSpeed.SetValue(50u);  // one unit of the effect's time a second
         item->Frequency.SetValue(20u);  // 2 radians per unit
         item->WMagnitude.SetValue(30u);
         item->BMagnitude.SetValue(10u);
         return item;
       }},
      {L"DS_RadialRays", [](const ShowcaseAssets& a, float w, float h) {
         // A fan of sixteen rays about the sun, of lengths and angles a little uneven
         // but the same in every frame, swinging slowly (a fan has no rays, length or
         // width by default, and draws nothing).
         DS_RadialRays* item = Positioned<DS_RadialRays>(a, h, {L"light_shaft.dds", 0xA0E0FF, 0x60C0FF, 3, 10, 8, 10},
                                                         w * 0.72f, h * 0.56f);
         item->RayLength.SetValue(unsigned(h * 0.45f));
         item->RayWidth.SetValue(unsigned(h * 0.08f));
         item->RayCount.SetValue(16u);
         item->Irregular.SetValue(1);
         item->Seed.SetValue(7u);
         item->Variation.SetValue(40u);       // lengths and steps from 0.6 of the even ones
         item->RotationMode.SetValue(DS_RadialRays::kSwing);
         item->RotationSpeed.SetValue(10u);   // 0.2 radians a second
         item->SwingAmplitude.SetValue(10u);  // 0.2 radians either way
         return item;
       }},
      {L"DS_Smoke", [](const ShowcaseAssets& a, float w, float h) {
         // Grey puffs rising from the far shore and fading (a smoke spawns nothing by
         // default); drawn in the plain alpha blend, as the wandering sprites.
         DS_Smoke* item =
             Positioned<DS_Smoke>(a, h, {L"fog_puff.dds", 0xC0C0C0, 0x808080, 4, 10, 4, 20}, w * 0.2f, h * 0.6f);
         item->originLife.SetValue(50u);  // 2 s of the smoke's clock
         item->originRate.SetValue(3u);
         item->originSize.SetValue(unsigned(h * 0.25f));
         item->direction.SetValue(90u);  // up
         item->direction.Spread().SetValue(15u);
         item->originClock.SetValue(25u);  // at half speed: 50 scene pixels a second
         item->effectLink.StoreKey(DS_FileKey());
         return item;
       }},
      {L"DS_StaticAnimation", [](const ShowcaseAssets& a, float w, float h) {
         // Its own effect, the module's animation effect, as it has by default: the
         // particles' effect has no "Blend_Normal" and leaves the region black.
         DS_StaticAnimation* item = InRegion<DS_StaticAnimation>(a, h, {L"flower.dds", 0xFFFFFF, 0xFFFFFF, 3, 10, 4, 10},
                                                                 w * 0.7f, h * 0.7f, w * 0.8f, h * 0.85f);
         item->effectLink.StoreKey(DS_StaticAnimation().effectLink.GetKey());
         return item;
       }},
      {L"DS_BrownAnimation", [](const ShowcaseAssets& a, float w, float h) {
         // Sixteen yellow seeds wandering over the lower half of the meadow (they have no
         // sprites and no size by default).
         DS_BrownAnimation* item =
             InRegion<DS_BrownAnimation>(a, h, {L"soft_dot.dds", 0x60FFFF, 0x40FFFF, 4, 20, 2, 30}, 0, h * 0.5f, w, h);
         item->SpriteCount.SetValue(16u);
         item->SpriteSize.SetValue(OfSprite(h, 60.0f));  // 0.6 of the dot picture's design
         item->WanderSpeed.SetValue(Px(h, 10.0f));      // 40 layout pixels a second
         item->RetargetPeriod.SetValue(25u);  // a new heading every 2.25 s or so
         item->SteerTime.SetValue(50u);       // turning over about a second
         // Drawn without an effect, in the plain alpha blend: the particles' effect would
         // draw its quads through whatever technique it last had, here black squares.
         item->effectLink.StoreKey(DS_FileKey());
         return item;
       }},
      {L"DS_PathAnimtion", [](const ShowcaseAssets& a, float w, float h) {
         // A leaf zigzagging down the right of the meadow and back up again, turned along
         // its way (a path needs points and the sprite a size: it has neither by default).
         DS_PathAnimtion* item = Particles<DS_PathAnimtion>(a, h, {L"leaf.dds", 0xFFFFFF, 0xFFFFFF, 4, 10, 3, 30});
         item->MoveSpeed.SetValue(Px(h, 10.0f));  // 30 layout pixels a second
         item->SpriteSize.SetValue(OfSprite(h, 150.0f));
         item->Orientation.SetValue(DS_PathAnimtion::kAlongPath);
         item->effectLink.StoreKey(DS_FileKey());  // the plain alpha blend, as the seeds
         const float points[][2] = {{0.85f, 0.1f}, {0.7f, 0.3f}, {0.82f, 0.5f}, {0.62f, 0.7f}, {0.75f, 0.9f}};
         for (const auto& point : points)
           item->path.push_back(MakePathPoint(D3DXVECTOR3(w * point[0], h * point[1], 0.0f)));
         return item;
       }},
      // Brushes.
      {L"DS_BackgroundCopy", [](const ShowcaseAssets& a, float w, float h) {
         // The copy offset in picture pixels: the sky with its cloud, up and to the left,
         // shown a second time in the sea of the slide's lower right.
         DS_BackgroundCopy* item = new DS_BackgroundCopy();
         item->sourceRect.Extra1().SetValue(int(w * -0.58f));
         item->sourceRect.Extra2().SetValue(int(h * -0.44f));
         return item;
       }},
      {L"DS_WavesFX", [](const ShowcaseAssets& a, float, float) { return new DS_WavesFX(); }},
      {L"DS_LightFX", [](const ShowcaseAssets& a, float, float) {
         // Pulsing at full strength (0.4 by default): weaker, the light is lost on the
         // bright beach it lies over.
         DS_LightFX* item = new DS_LightFX();
         item->intensity.SetValue(100u);
         return item;
       }},
      {L"DS_LightFX_II", [](const ShowcaseAssets& a, float, float) {
         // A steady orange light screened over its patch. The brush draws every pixel of
         // the picture anew: in FX mode it starts from the scene drawn so far, which keeps
         // what the items under it drew.
         DS_LightFX_II* item = new DS_LightFX_II();
         item->intensity.SetValue(80u);
         item->blend.SetValue(1);
         item->colour.SetValue(0x2080FFul);
         item->fxMode.SetValue(1);
         return item;
       }},
      {L"DS_PatternBrush", [](const ShowcaseAssets& a, float, float h) {
         // Stars, each tile one and a half times the star's design, turned by 20 degrees.
         DS_PatternBrush* item = new DS_PatternBrush();
         item->patternImage.StoreKey(PictureKey(a, L"star.dds"));
         item->zoom.SetValue(OfSprite(h, 150.0f));
         item->angle.SetValue(20u);
         return item;
       }},
      {L"DS_PatternBrushC", [](const ShowcaseAssets& a, float, float h) {
         // Flowers at twice the flower's design size, mirrored and shifted by a quarter tile.
         DS_PatternBrushC* item = new DS_PatternBrushC();
         item->patternImage.StoreKey(PictureKey(a, L"flower.dds"));
         item->zoom.SetValue(OfSprite(h, 200.0f));
         item->horizontalFlip.SetValue(1);
         item->offsetY.SetValue(25u);
         return item;
       }},
      {L"DS_WaterFX", [](const ShowcaseAssets& a, float, float) { return new DS_WaterFX(); }},
      {L"DS_MoveFX", [](const ShowcaseAssets& a, float, float) {
         // Swaying sideways by up to a twentieth of the picture's height either way (by
         // default a hundredth one way only: at most a pixel or two, unseen).
         DS_MoveFX* item = new DS_MoveFX();
         item->extent.SetValue(250u);
         item->secondAmplitude.SetValue(250u);
         item->speed.SetValue(40u);  // 0.8 radians a second: a sway each eight seconds
         return item;
       }},
      {L"DS_FireFX", [](const ShowcaseAssets& a, float, float) { return new DS_FireFX(); }},
      {L"DS_ExpandFX", [](const ShowcaseAssets& a, float, float) { return new DS_ExpandFX(); }},
      {L"DS_RadialWaveFX", [](const ShowcaseAssets& a, float, float) { return new DS_RadialWaveFX(); }},
      {L"DS_RotationFX", [](const ShowcaseAssets& a, float, float) {
         // Its patch turning slowly about its middle (FitBrushToPatch) on a circle, a
         // tenth of a radian a second; the brush names no effect of its own.
         DS_RotationFX* item = new DS_RotationFX();
         UseEffect(item->effectLink, a, "rotation");
         item->axisRatio.SetValue(1000u);  // 1: a circle (0, the default, shears)
         item->speed.SetValue(20u);
         // Turning the scene drawn so far: the flame layer's fire turns with the wall
         // rather than being covered by the bare picture.
         item->fxMode.SetValue(1);
         return item;
       }},
      {L"DS_WaterfallFX", [](const ShowcaseAssets& a, float, float) {
         // Water pouring down its patch: the picture's lighter streaks, pale cyan,
         // carried down by four bands a period of two seconds, over a shimmer of the
         // module's noise. The brush names no effect and no noise of its own.
         DS_WaterfallFX* item = new DS_WaterfallFX();
         UseEffect(item->effectLink, a, "waterfall");
         item->noiseImage.StoreKey(DS_ImageFileLink(8, kModule).GetKey());
         item->angle.SetValue(270u);          // down
         item->extent.SetValue(100u);         // a band travels 0.4 of the picture's height
         item->speed.SetValue(25u);           // half a period a second
         item->waveCount.SetValue(4u);
         item->waveOpacity.SetValue(30u);     // 0.7 at the middle of its travel
         item->threshold.SetValue(600u);      // brightness above 0.4 counts: the light shafts
         item->waveColour.SetValue(0xFFF0C0ul);
         item->noiseAmplitude.SetValue(120u); // pushed by up to 1.2 % of the picture
         return item;
       }},
      {L"DS_BendFX", [](const ShowcaseAssets& a, float, float) {
         // Its patch swaying about its middle (FitBrushToPatch), bent by up to half a
         // radian either way; the brush names no effect of its own.
         DS_BendFX* item = new DS_BendFX();
         UseEffect(item->effectLink, a, "bend");
         item->amount1.SetValue(250u);
         item->amount2.SetValue(250u);
         item->bendStrength.SetValue(50u);   // 1: half a picture height out, half the angle
         item->speed.SetValue(75u);          // a swing each four seconds
         item->fxMode.SetValue(1);           // bending the fire with the wall, as the rotation
         return item;
       }},
      {L"DS_CloudFX", [](const ShowcaseAssets& a, float, float) {
         // Murky clouds drifting right through its patch (FitBrushToPatch), the
         // module's noise thresholded into puffs, smaller towards the patch's top. The
         // brush names no effect and no cloud picture of its own.
         DS_CloudFX* item = new DS_CloudFX();
         UseEffect(item->effectLink, a, "cloud");
         item->cloudImage.StoreKey(DS_ImageFileLink(8, kModule).GetKey());
         item->angle.SetValue(0u);              // drifting right
         item->speed.SetValue(200u);            // 0.2 tiles a second
         item->scale.SetValue(150u);            // 1.2: a cloud tile nearly the patch's height
         item->threshold.SetValue(25u);         // 1.5: the denser two thirds of the noise
         item->density.SetValue(50u);           // opaque where densest
         item->colour1.SetValue(0x806040ul);    // thin: dusky blue
         item->colour2.SetValue(0xFFF0E0ul);    // dense: nearly white
         item->transform.depth.SetValue(50u);   // 2: the far edge's clouds half the size
         return item;
       }},
      // Text.
      {L"DS_StaticTextConstructor", [](const ShowcaseAssets& a, float w, float h) {
         DS_StaticTextConstructor* item = new DS_StaticTextConstructor();
         // Low enough that the camera's zoom (up to a fifth) keeps it on the screen.
         SetTextItem(*item, a, L"EVERY LAYER, EVERY ITEM", w * 0.5f, h * 0.22f, unsigned(w * 0.8f), unsigned(h * 0.1f));
         return item;
       }},
      {L"DS_ScrollingTextConstructor", [](const ShowcaseAssets& a, float w, float h) {
         DS_ScrollingTextConstructor* item = new DS_ScrollingTextConstructor();
         SetTextItem(*item, a, L"EVERY LAYER, EVERY ITEM", w * 0.5f, h * 0.5f, unsigned(w * 0.9f), unsigned(h * 0.12f));
         item->ScrollPeriod.SetValue(400u);
         return item;
       }},
      {L"DS_TextLinkConstructor", [](const ShowcaseAssets& a, float w, float h) {
         DS_TextLinkConstructor* item = new DS_TextLinkConstructor();
         SetTextItem(*item, a, L"EVERY LAYER, EVERY ITEM", w * 0.5f, h * 0.85f, unsigned(w * 0.6f), unsigned(h * 0.08f));
         return item;
       }},
      // Sounds.
      {L"DS_MP3_Constructor", [](const ShowcaseAssets&, float, float) { return new DS_MP3_Constructor(); }},
      {L"DS_WAV_Constructor", [](const ShowcaseAssets&, float, float) { return new DS_WAV_Constructor(); }},
  };
  return makers;
}

}  // namespace

void FitBrushToPatch(DS_FX_Constructor& brush, const PatchBounds& patch, float width, float height) {
  // The fire, the waterfall, the clouds and the bend draw their own mesh over their
  // region (the fire's flames rising from its bottom edge, the clouds spanning it).
  if (dynamic_cast<DS_FireFX*>(&brush) || dynamic_cast<DS_WaterfallFX*>(&brush) ||
      dynamic_cast<DS_CloudFX*>(&brush) || dynamic_cast<DS_BendFX*>(&brush)) {
    const float left = patch.left * width, right = patch.right * width;
    const float top = patch.top * height, bottom = patch.bottom * height;
    SetRegion(brush.region, left, top, right, bottom);
  }
  // The rotation and the bend act about the middle of their patch (by default the
  // middle of a scene the tool does not have).
  if (dynamic_cast<DS_RotationFX*>(&brush) || dynamic_cast<DS_BendFX*>(&brush)) {
    auto& central = static_cast<DS_CentralBased&>(brush);
    central.centre.SetValue(D3DXVECTOR3(patch.centreX * width, patch.centreY * height, 0.0f));
  }
}

DS_ABObj_Constructor* MakeShowcaseItem(const std::wstring& className, const ShowcaseAssets& assets,
                                       float width, float height, unsigned serial) {
  auto found = Makers().find(className);
  if (found == Makers().end()) return nullptr;
  DS_ABObj_Constructor* item = found->second(assets, width, height);
  item->SetName(className);
  if (auto* brush = dynamic_cast<DS_FX_Constructor*>(item)) brush->SetMaskKey(SerialGuid(serial), ds_string(), 1);
  return item;
}

GUID SerialGuid(unsigned serial) {
  GUID guid = {0x5c0e5a7e, 0x7e47, 0x4a11, {0x9d, 0x2b, 0x51, 0x1d, 0xe5, 0x00, 0x00, 0x00}};
  guid.Data4[6] = static_cast<unsigned char>(serial >> 8);
  guid.Data4[7] = static_cast<unsigned char>(serial);
  return guid;
}

bool IsSoundItem(const std::wstring& className) {
  return className == L"DS_MP3_Constructor" || className == L"DS_WAV_Constructor";
}

}  // namespace ds_tools
