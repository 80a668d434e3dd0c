#include "document/TextureSet.h"

#include "device/ResourceLookup.h"

float PictureScale(unsigned int width, unsigned int height) {
  if (width == 0) return 1.0f;
  return static_cast<float>(height) / static_cast<float>(width);
}

namespace {

// Picture sizes come from image headers; keep them in the int fields without wrapping.
int SizeToInt(unsigned int size) { return size > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(size); }

// Steps 1 and 2 of both directions and the duration test of step 3: true when the
// current frame's duration is exceeded at t (the switch time then moves to t).
bool FrameDurationExceeded(const std::vector<float>& durations, float& lastSwitchTime, unsigned int& frameIndex,
                           float t) {
  if (t - lastSwitchTime < 0.0f) lastSwitchTime = t;
  if (durations.empty()) return false;
  // An index from elsewhere (a shrunken set, an object's own copy) is brought back
  // among the durations before it is used.
  if (frameIndex >= durations.size()) frameIndex = static_cast<unsigned int>(frameIndex % durations.size());
  if (!(durations[frameIndex] < t - lastSwitchTime)) return false;
  lastSwitchTime = t;
  return true;
}

}  // namespace

// --- DS_TextureRef ------------------------------------------------------------------

void DS_TextureRef::Assign(unsigned int imageWidth, unsigned int imageHeight, IDirect3DTexture9* newTexture) {
  if (newTexture != texture.Get()) texture.Set(newTexture);
  width = SizeToInt(imageWidth);
  height = SizeToInt(imageHeight);
  scale = PictureScale(imageWidth, imageHeight);
}

void DS_TextureRef::Clear() {
  texture.Release();
  width = 0;
  height = 0;
  scale = 1.0f;
}

// --- DS_TextureSet ------------------------------------------------------------------

void DS_TextureSet::GetFirstFrame(DS_TextureRef& out) const {
  out.Clear();
  if (!frames.empty()) out.texture = frames.front();
  out.width = width;
  out.height = height;
  out.scale = scale;
}

void DS_TextureSet::StepFrameForward(float t) { ::StepFrameForward(durations, lastSwitchTime, frameIndex, t); }

void DS_TextureSet::StepFrameBackward(float t) { ::StepFrameBackward(durations, lastSwitchTime, frameIndex, t); }

IDirect3DTexture9* DS_TextureSet::GetCurrentTexture() const { return GetFrame(frameIndex); }

IDirect3DTexture9* DS_TextureSet::GetFrame(size_t index) const {
  return index < frames.size() ? frames[index].Get() : nullptr;
}

void DS_TextureSet::AddFrame(IDirect3DTexture9* texture, float duration) {
  DS_TextureHolder holder;
  holder.Set(texture);
  frames.push_back(holder);
  if (duration >= 0.0f) durations.push_back(duration);
}

void DS_TextureSet::SetPictureSize(unsigned int pictureWidth, unsigned int pictureHeight) {
  width = SizeToInt(pictureWidth);
  height = SizeToInt(pictureHeight);
  scale = PictureScale(pictureWidth, pictureHeight);
}

// --- stepping -----------------------------------------------------------------------

bool StepFrameForward(const std::vector<float>& durations, float& lastSwitchTime, unsigned int& frameIndex, float t) {
  if (!FrameDurationExceeded(durations, lastSwitchTime, frameIndex, t)) return false;
  frameIndex = static_cast<unsigned int>((frameIndex + 1u) % durations.size());
  return true;
}

bool StepFrameBackward(const std::vector<float>& durations, float& lastSwitchTime, unsigned int& frameIndex, float t) {
  if (!FrameDurationExceeded(durations, lastSwitchTime, frameIndex, t)) return false;
  frameIndex = frameIndex == 0 ? static_cast<unsigned int>(durations.size() - 1) : frameIndex - 1;
  return true;
}

// --- lookup -------------------------------------------------------------------------

IDirect3DTexture9* LookupCurrentFrame(const DS_ImageFileLink& link) {
  const DS_TextureSet* set = LookupTextureSet(link);
  return set ? set->GetCurrentTexture() : nullptr;
}
