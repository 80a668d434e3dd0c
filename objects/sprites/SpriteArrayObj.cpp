#include "objects/sprites/SpriteArrayObj.h"

#include "device/ResourceLookup.h"
#include "document/TextureSet.h"
#include "objects/sprites/ParticleSystemCtrl.h"
#include "objects/sprites/SpriteParticle.h"
#include "render/ABRender.h"

namespace {

// Add-on flag value for a main image that names an add-on module's texture set.
const int kAddOnTextureSet = 1;

}  // namespace

DS_SpriteArrayObj::DS_SpriteArrayObj(DS_ParticleSystemCtrl* clone) : DS_ABObj(clone) {
  item = clone;
  if (!clone) return;
  const DS_TextureSet* set = clone->addOnFlag == kAddOnTextureSet ? LookupAddOnTextureSet(clone->mainImage)
                                                                  : LookupTextureSet(clone->mainImage);
  LoadFrames(set);
  BindCountParam();
  // A link without path would name the program's own picture, not a second picture.
  if (!clone->secondImage.GetPath().empty()) m_secondTexture.Set(LookupCurrentFrame(clone->secondImage));
}

DS_SpriteArrayObj::~DS_SpriteArrayObj() { m_secondTexture.Release(); }

void DS_SpriteArrayObj::Render(DS_ABRender* layer) {
  if (!layer || !item) return;
  // Nothing to show without a picture frame, or before the quads were first
  // written.
  IDirect3DTexture9* texture = GetCurrentTexture();
  if (!texture || !HasWrittenQuads()) return;
  const int wanted = item->GetParticleCount();
  const int capacity = static_cast<int>(GetQuadCapacity());
  DS_ComHolder<IDirect3DTexture9> second(GetSecondTexture());
  DS_SpriteArrayDraw draw;
  draw.geometry = this;
  draw.texture = texture;
  draw.secondTexture = second.Get();
  draw.additive = item->additive.GetValue();
  // The layer is asked for no more quads than the buffer holds.
  draw.particleCount = wanted < capacity ? wanted : capacity;
  layer->DrawSpriteArray(draw);
}

void DS_SpriteArrayObj::OnResize() {
  if (item) item->UpdatePixelRect();
}

bool DS_SpriteArrayObj::HitTest(POINT point, int ignored) {
  return item ? item->HitTest(static_cast<float>(point.x), static_cast<float>(point.y)) : false;
}

void DS_SpriteArrayObj::Reset() {
  if (!item) return;
  item->Reset();
  for (DS_SpriteParticle* sprite : sprites) sprite->ClearTimers();
}

void DS_SpriteArrayObj::Update(float localTime) {
  if (!item) return;
  ParticleGeomArray::Update(localTime);
  const bool changed = StepFrame(item->spriteClock.GetAccumulatedTime());
  if (item->staticFlag.GetValue() == 0 || changed || !HasWrittenQuads()) WriteQuads(*item);
}

IDirect3DTexture9* DS_SpriteArrayObj::GetSecondTexture() const {
  IDirect3DTexture9* texture = m_secondTexture.Get();
  if (texture) texture->AddRef();
  return texture;
}
