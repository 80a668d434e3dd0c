#pragma once
// The picture layer of a slide. DS_2D_Light is the plain layer behind the drawing
// interface of the objects (render/ABRender.h; the special layers derive from it): it
// draws the slide picture fitted by the view context and moved by its camera, runs the
// scene-capture pass for objects that read what was drawn before them, and publishes
// the scene mapping (render/SceneMapping.h) when it is sized. A slide owns its layer
// through a DS_SharedRef.

#include <d3d9.h>
#include <d3dx9effect.h>

#include <vector>

#include "device/RenderTargetPair.h"
#include "document/FileLink.h"
#include "document/Item.h"
#include "document/ParamBinder.h"
#include "document/TextureSet.h"
#include "render/ABRender.h"
#include "render/Camera.h"
#include "render/DeviceStates.h"
#include "render/Mesh.h"
#include "render/TexturedQuad.h"
#include "render/ViewContext.h"

class DS_ABObj;

typedef std::vector<DS_SharedRef<DS_ABObj>> DS_ObjectList;

class DS_2D_Light : public DS_ABRender {
public:
  static constexpr int kRecordVersion = 3;
  // The picture a layer shows until its record names one.
  static constexpr int kDefaultPictureResource = 5;
  // Clear colour under the picture: a picture that fails to draw shows up at once.
  static constexpr D3DCOLOR kPictureClearColor = 0xFFF00FFF;
  // Clear colour of the back buffer when a capture ends with a clear.
  static constexpr D3DCOLOR kCaptureEndClearColor = 0xFF000000;

  DS_2D_Light();
  DS_2D_Light(const DS_2D_Light&) = delete;
  DS_2D_Light& operator=(const DS_2D_Light&) = delete;
  ~DS_2D_Light() override;

  // The "DS_2D_Light" fields after the header the dispatcher read.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);
  // The whole "DS_2D_Light" section, header included: how special layers end.
  void ReadBaseRecord(DS_IOF_Handle& handle);
  void Write(DS_IOF_Virtual& stream) const override;

  // DS_ABRender
  void BeginTarget(const DS_RenderTargetPair& pair, int fitType) override;
  void EndTarget() override;
  void DrawIndexedPT(const DS_IndexedMesh<DX_V::PT>& geometry, ID3DXEffect* effect) override;
  void DrawPT2(const DS_SimpleMesh<DX_V::PT2>& geometry, ID3DXEffect* effect) override;
  void DrawPT(const DS_SimpleMesh<DX_V::PT>& geometry, ID3DXEffect* effect) override;
  void DrawIndexedPCT(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect, int primitiveCount,
                      float unused) override;
  void DrawIndexedPCTEffect(const DS_IndexedMesh<DX_V::PCT>& geometry, ID3DXEffect* effect) override;
  void DrawMeshNode(const DS_MeshNode& node) override;
  void DrawSpriteArray(const DS_SpriteArrayDraw& sprites) override;
  void DrawMeshNodeTwoPass(const DS_TexturedMesh<DX_V::PNT>& mesh) override;
  void DrawTexturedIndexedPT(DS_PreparedMesh& object, int argument, int ignored) override;
  const DS_ComHolder<IDirect3DTexture9>& GetSceneTexture() const override { return m_sceneTexture; }
  const DS_PictureQuad& GetLayerQuad() const override { return m_layerQuad; }
  unsigned GetPictureWidth() const override;
  unsigned GetPictureHeight() const override;

  // Device hooks. Created: binds the picture and the surround. Restored: device
  // states and the capture pair. Lost: releases the default-pool textures.
  virtual void OnDeviceCreated();
  virtual void OnDeviceRestored();
  virtual void OnDeviceLost();

  // The surround bands; special layers compose their final picture here.
  virtual void RenderSurround(bool skip);
  // Clears (unless noClear) and draws the picture.
  virtual void Render(bool noClear);
  virtual void Update(float t);
  // Sizes and fits the layer and publishes the scene mapping.
  virtual void SetSize(int width, int height);
  // The picture position: 0 stretch, 1 fit, 2 fill.
  virtual void SetFitType(int type);

  // Reserved queries of the interface; nothing calls them.
  virtual int ReservedQuery3(int a, int b, int c) { return 0; }
  virtual int ReservedQuery1(int a) { return 0; }
  virtual bool ReservedFlagA() { return false; }
  virtual bool ReservedFlagB() { return true; }

  virtual bool IsCameraDriftOn() const;
  // Whether the layer draws the same picture at every later time: no camera that
  // drifts and nothing of its own that moves.
  virtual bool IsStill() const;
  // An overlay quad (the glass ball's bars); null draws nothing.
  void DrawOverlay(const DS_SimpleMesh<DX_V::SC>* overlay);
  // The slide show's fade overlay: four vertices (a strip) drawn from the caller's
  // memory, not drawn at all where every alpha is 0; null draws nothing.
  void DrawOverlayVertices(const DX_V::SC* quad);
  virtual void DrawTargetQuad(const DS_ScreenTexturedQuad& quad);

  // The object pass: draws the objects from last to first; `needsScene` holds each
  // object's scene-input answer of this frame and `sceneUsers` how many of them (plus
  // one when the layer itself needs the capture) read the scene.
  virtual void RenderObjects(const DS_ObjectList& objects, const std::vector<bool>& needsScene, int sceneUsers);
  virtual void BeginSceneCapture();
  virtual const DS_ComHolder<IDirect3DTexture9>& FlipTarget();
  virtual const DS_ComHolder<IDirect3DTexture9>& EndSceneCapture(bool clear);
  // Switches the drift on or off; returns whether it was on.
  virtual bool SetCameraDrift(bool on);
  virtual bool NeedsSceneCapture() const { return false; }
  virtual void OnImageChanged();

  bool IsCaptureOpen() const { return m_captureOpen; }
  bool IsTargetActive() const { return m_targetDepth > 0; }
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetCaptureFitType() const { return m_captureFitType; }
  DS_ImageFileLink& GetPictureLink() { return m_picture; }
  const DS_ImageFileLink& GetPictureLink() const { return m_picture; }
  DSM_Camera& GetCamera() { return m_camera; }
  const DS_TextureRef& GetPictureRef() const { return m_pictureRef; }
  DS_RenderTargetPair& GetTargets() { return m_targets; }

protected:
  // Where a special layer's states differ from the layer baseline for a draw on it
  // (none for a plain layer); most layers differ alike for every draw.
  virtual DS_StateBlock LayerStates(const DS_DrawStates& draw) const { return kNoStates; }
  // Sets every state a draw depends on: the layer's states with the draw's differences
  // and `extra` (where this layer differs for this draw).
  void SetDrawStates(const DS_DrawStates& draw, const DS_StateBlock& extra = kNoStates) const;
  // A prepared mesh in its states, with `extra` over them.
  void DrawPreparedMesh(DS_PreparedMesh& object, int argument, const DS_StateBlock& extra);
  // The first frame of the picture link's set becomes the layer quad's picture.
  void BindPicture();
  // Fits the picture into w x h on the current view context.
  void FitPicture(int width, int height, int fitType) const;

  DS_ImageFileLink m_picture;
  DSM_Camera m_camera;
  DS_PictureQuad m_layerQuad;
  DS_TextureRef m_pictureRef;
  DS_ComHolder<IDirect3DTexture9> m_sceneTexture;
  int m_captureFitType = DS_ViewContext::kFitLetterbox;
  int m_targetFitType = DS_ViewContext::kFitLetterbox;
  DS_RenderTargetPair m_targets;
  DS_FunLightCtrlList m_binders;
  int m_width = 0;
  int m_height = 0;
  // Begins of BeginTarget on this layer not yet ended.
  int m_targetDepth = 0;
  bool m_captureOpen = false;
};

// Reads one layer record through the layer registry; null (and the stream failed)
// for an unregistered name or a record that could not be read whole.
DS_2D_Light* ReadAny2DLight(DS_IOF_Handle& handle);
