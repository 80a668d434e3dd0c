#pragma once
// The off-screen drawing surface: two render-target textures of one size, one of them
// current. Drawing into the pair redirects render target 0 to the current texture;
// flipping makes the other texture current, clears it and hands back the one that
// holds what was drawn so far. Layers own one pair each; the document's resource
// manager keeps the pairs of objects under their GUIDs. The textures live in the
// default pool: the owner releases them before a device reset and creates them again.
//
// A pair whose textures are missing (creation failed, or released for a reset) is
// invalid: flipping, beginning and resizing it leave the device untouched.

#include <d3d9.h>

#include "device/ComHolder.h"

class DS_RenderTargetPair {
public:
  // Colour a flipped target is cleared to: opaque black.
  static const D3DCOLOR kFlipClearColor = 0xFF000000;

  DS_RenderTargetPair() = default;
  DS_RenderTargetPair(const DS_RenderTargetPair&) = delete;
  DS_RenderTargetPair& operator=(const DS_RenderTargetPair&) = delete;
  ~DS_RenderTargetPair();

  // Stores the size; when neither side is 0, replaces both textures with new w x h
  // ones and takes the size the device really gave the current one. A valid pair
  // asked for the size its textures were made for keeps them.
  void Create(int width, int height);
  // Create, then copies level 0 of `source` (when there is one) into the current
  // texture.
  void Resize(const DS_ComHolder<IDirect3DTexture9>& source, int width, int height);
  void ReleaseTextures();
  // Makes the other texture current, sets it as render target 0 and clears it to
  // `clearColor`; returns the texture that was current before. A caller that wants
  // another colour passes it rather than clearing the target a second time.
  const DS_ComHolder<IDirect3DTexture9>& Flip(D3DCOLOR clearColor = kFlipClearColor);
  // Saves render target 0 and the depth-stencil surface, then draws into the current
  // texture without depth-stencil surface. Must be closed by EndRender.
  void BeginRender();
  // Restores exactly what BeginRender saved.
  void EndRender();

  bool IsValid() const;
  const DS_ComHolder<IDirect3DTexture9>& GetCurrent() const { return m_current; }
  const DS_ComHolder<IDirect3DTexture9>& GetTexture(int i) const { return m_textures[i & 1]; }
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetIndex() const { return m_index; }
  bool IsRendering() const { return m_rendering; }

private:
  bool SetCurrentAsTarget();
  // The size of the current texture becomes the pair's.
  void TakeTextureSize();

  DS_ComHolder<IDirect3DTexture9> m_current;
  DS_ComHolder<IDirect3DTexture9> m_textures[2];
  DS_ComHolder<IDirect3DSurface9> m_savedTarget;
  DS_ComHolder<IDirect3DSurface9> m_savedDepth;
  int m_width = 0;
  int m_height = 0;
  // The size the textures were asked for, which the device may have rounded.
  int m_madeWidth = 0;
  int m_madeHeight = 0;
  int m_index = 0;
  bool m_rendering = false;
};
