#pragma once
// Texture references and texture sets. An image link resolves to a texture set: one
// frame for a still picture, several with a duration each for a picture sequence. The
// resource manager keeps one set per link key; layers take its first frame, sprite and
// particle objects step through the frames (often on their own copy of the set). A
// texture reference keeps one texture with the size of its source picture.

#include <d3d9.h>

#include <vector>

#include "device/ComHolder.h"

typedef DS_ComHolder<IDirect3DTexture9> DS_TextureHolder;

// Height / width of a source picture; 1.0 for a picture without width, so that
// callers never scale by infinity or NaN.
float PictureScale(unsigned int width, unsigned int height);

class DS_TextureRef {
public:
  DS_TextureRef() = default;

  // Holds `texture` (a reference is added unless it is already held) and takes the
  // source picture's size.
  void Assign(unsigned int width, unsigned int height, IDirect3DTexture9* texture);
  // No texture, 0 x 0, scale 1.0.
  void Clear();

  IDirect3DTexture9* GetTexture() const { return texture.Get(); }

  DS_TextureHolder texture;
  int width = 0;
  int height = 0;
  float scale = 1.0f;
};

class DS_TextureSet {
public:
  DS_TextureSet() = default;

  // `out` is cleared, then holds frame 0 (none for a set without frames) with the
  // set's size and scale.
  void GetFirstFrame(DS_TextureRef& out) const;

  // Advance the frame when its duration is strictly exceeded at clock time t (seconds);
  // at most one frame per call, however long the pause. A clock that went back restarts
  // the frame's time. A still picture (no durations) never changes frame.
  void StepFrameForward(float t);
  void StepFrameBackward(float t);

  // The texture of the current frame; null when the index is not a frame (a set whose
  // durations outnumber its frames).
  IDirect3DTexture9* GetCurrentTexture() const;
  IDirect3DTexture9* GetFrame(size_t index) const;

  // Appends a frame (reference added) with its duration; a negative duration appends
  // a frame without one (a still picture).
  void AddFrame(IDirect3DTexture9* texture, float duration);
  // The source picture size of the set (for a sequence: of the last frame loaded).
  void SetPictureSize(unsigned int width, unsigned int height);

  std::vector<DS_TextureHolder> frames;
  std::vector<float> durations;
  int width = 0;
  int height = 0;
  float scale = 1.0f;
  float lastSwitchTime = 0.0f;
  unsigned int frameIndex = 0;
};

// The stepping rules on a copy of a set's timing fields, for objects that keep their
// own frame state. Both return true when the frame changed.
bool StepFrameForward(const std::vector<float>& durations, float& lastSwitchTime, unsigned int& frameIndex, float t);
bool StepFrameBackward(const std::vector<float>& durations, float& lastSwitchTime, unsigned int& frameIndex, float t);

class DS_ImageFileLink;

// The texture of the current frame of the set the current resource lookup keeps for
// the link (no reference added), or null.
IDirect3DTexture9* LookupCurrentFrame(const DS_ImageFileLink& link);
