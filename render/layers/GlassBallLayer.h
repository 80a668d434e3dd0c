#pragma once
// The glass-ball layer: the whole slide (picture and objects) seen through a glass
// ball standing in front of a background. The scene is always captured into the
// layer's render-target pair; RenderSurround then composes the final image on the back
// buffer: the background (a vertical colour gradient or a second picture), the
// captured scene refracted through a lens drawn with fixed-function bump-environment
// mapping on a textured square, two overlay images on the ball, the rim that paints
// the background around the ball's circle, an optional stand and, for a letterboxed
// background picture, black bars. The captured scene can scroll sideways through the
// ball or sway inside it. The layer owns its textures, buffers and quads; the overlay,
// stand and background pictures belong to the document resource manager and are held
// by reference.

#include <d3d9.h>
#include <d3dx9math.h>

#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "render/Layer.h"

// ---- formulas of the layer, each as the layer computes it ----

// Lens texel (column x, row y of the 256 x 256 lens): the slopes of a hemisphere of
// radius 128 as signed 16-bit U (low word) and V (high word).
DWORD GlassBallLensTexel(int x, int y);
// Mask texel of the 1024 x 1024 mask: 255 outside the ball's circle, 0 inside.
BYTE GlassBallMaskTexel(int x, int y);
// Gradient row (0 at the top) between two stored colours (0x00BBGGRR), as 0x00RRGGBB.
D3DCOLOR GlassBallGradientRow(int row, unsigned long topColour, unsigned long bottomColour);

struct DS_GlassBallLens {
  float z;  // camera distance (negative)
  float k;  // lens scale
  float n;  // sway amplitude
};
DS_GlassBallLens GlassBallLens(unsigned ballSize, unsigned magnification, float sx, float c);

// The sway of animation mode 3: a triangle wave between -1 and 1 with period 2 in g.
float GlassBallSway(float g);
// The scroll offset f of modes 1 and 2 (fraction of the back buffer's width).
float GlassBallScroll(int mode, float g);

// The layout of the background: the fitted picture quad zoomed by the camera and fill
// zoom (scale sx, sy about its top-left corner, then moved by ox, oy), the four black
// bars (left, right, top, bottom) from the unzoomed quad, and the band factors.
struct DS_GlassBallLayout {
  DS_ScreenQuad background;
  DS_ScreenQuad bars[4];
  float cw;
  float c;
};
DS_GlassBallLayout GlassBallLayout(const DS_ScreenQuad& fitted, float sx, float sy, float ox, float oy);

// What DS_GlassBallLight::SetBallTransforms reads, and what it computes.
struct DS_BallTransformInput {
  POINT position = {0, 0};
  unsigned magnification = 0;
  int backgroundMode = 0;
  bool lens = true;
  float sx = 1, sy = 1, ox = 0, oy = 0;
  float cw = 1, c = 1;
  DS_GlassBallLens lensValues = {-600.0f, 1.0f, 0.0f};
  float sway = 0;
  float targetWidth = 1, targetHeight = 1;  // W x H
  float layerWidth = 1, layerHeight = 1;    // the layer's stored size
  unsigned pictureWidth = 0, pictureHeight = 0;
  unsigned backgroundWidth = 0, backgroundHeight = 0;
};
struct DS_BallTransforms {
  float x = 0, y = 0;
  D3DXMATRIX world, view, projection, texture;
};
DS_BallTransforms GlassBallTransforms(const DS_BallTransformInput& in);

// The sway clock, shared by every glass-ball layer of the process.
struct DS_GlassBallClock {
  bool started = false;
  float last = 0;
  float g = 0;
};
DS_GlassBallClock& GetGlassBallClock();

class DS_GlassBallLight : public DS_2D_Light {
public:
  static constexpr int kRecordVersion = 1;
  // Pictures of the common resource module the layer shows until its record names
  // others.
  static constexpr int kFirstOverlayResource = 58;
  static constexpr int kSecondOverlayResource = 59;
  static constexpr int kStandResource = 60;
  static constexpr int kBackgroundResource = 5;
  static constexpr int kLensSize = 256;
  static constexpr int kMaskSize = 1024;
  static constexpr int kGradientSize = 256;

  enum AnimationMode { kStill = 0, kScrollOneWay = 1, kScrollOtherWay = 2, kSway = 3 };
  enum Bar { kBarLeft = 0, kBarRight = 1, kBarTop = 2, kBarBottom = 3 };

  DS_GlassBallLight();
  ~DS_GlassBallLight() override;

  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);
  void Write(DS_IOF_Virtual& stream) const override;

  void BeginTarget(const DS_RenderTargetPair& pair, int fitType) override;
  void EndTarget() override;
  void OnDeviceCreated() override;
  void OnDeviceLost() override;
  void RenderSurround(bool skip) override;
  void Render(bool noClear) override;
  void Update(float t) override;
  // The layer moves by itself.
  bool IsStill() const override { return false; }
  void SetSize(int width, int height) override;
  void SetFitType(int type) override;
  bool NeedsSceneCapture() const override { return true; }

  void ComputeLens();
  void SetBallTransforms(bool lens);
  HRESULT BuildLensTexture();
  HRESULT BuildMaskTexture();
  void BuildGradientTexture();

  IDirect3DTexture9* GetLensTexture() const { return m_lens.Get(); }
  IDirect3DTexture9* GetMaskTexture() const { return m_mask.Get(); }
  IDirect3DTexture9* GetGradientTexture() const { return m_gradient.Get(); }
  IDirect3DTexture9* GetBackgroundTexture() const { return m_backgroundQuad.texture.Get(); }
  const DS_TextureRef& GetBackgroundPicture() const { return m_backgroundPicture; }
  const DS_ScreenTexturedQuad& GetScrollQuad(int i) const { return m_scrollQuads[i & 1]; }
  const DS_SimpleMesh<DX_V::SC>& GetBar(int i) const { return m_bars[i & 3]; }
  const D3DXMATRIX& GetTextureMatrix() const { return m_textureMatrix; }
  float GetSway() const { return m_sway; }
  DS_GlassBallLens GetLens() const { return {m_z, m_k, m_n}; }
  float GetBandFactorX() const { return m_cw; }
  float GetBandFactorY() const { return m_c; }
  int GetBackgroundFitType() const { return m_backgroundFitType; }
  bool HasBallBuffer() const { return bool(m_ballBuffer.buffer); }

  DS_ImageFileLink firstOverlay;
  DS_ImageFileLink secondOverlay;
  DS_ImageFileLink standImage;
  DS_ImageFileLink backgroundImage;
  UINTSclaleTo<float> speed;
  MediaParamTB<POINT> position;
  MediaParamT<unsigned int> ballSize;
  MediaParamT<unsigned int> magnification;
  MediaParamT<int> firstOverlaySwitch;
  MediaParamT<int> secondOverlaySwitch;
  MediaParamT<int> standSwitch;
  MediaParamT<int> backgroundMode;
  MediaParamT<int> animationMode;
  MediaParamT<unsigned long> topColour;     // 0x00BBGGRR
  MediaParamT<unsigned long> bottomColour;  // 0x00BBGGRR

protected:
  DS_StateBlock LayerStates(const DS_DrawStates& draw) const override;

private:
  HRESULT CreateSquareBuffer(DS_VertexBuffer<DX_V::PT2>& buffer, float left, float bottom, float right, float top);
  // The width and height the ball is laid out on: the layer's during a target, the
  // back buffer's otherwise.
  void GetTargetSize(float& width, float& height) const;
  void DrawBall(const DS_VertexBuffer<DX_V::PT2>& buffer);
  // Stage 1 reads its texture only when it has one; otherwise it passes stage 0 on.
  void SetStage1Texture(IDirect3DTexture9* texture);

  DS_VertexBuffer<DX_V::PT2> m_ballBuffer;
  DS_VertexBuffer<DX_V::PT2> m_standBuffer;
  float m_sway = 0;
  DS_ComHolder<IDirect3DTexture9> m_lens;
  DS_ComHolder<IDirect3DTexture9> m_mask;
  DS_ComHolder<IDirect3DTexture9> m_gradient;
  DS_TextureRef m_backgroundPicture;
  DS_ComHolder<IDirect3DTexture9> m_firstOverlayTexture;
  DS_ComHolder<IDirect3DTexture9> m_secondOverlayTexture;
  DS_ComHolder<IDirect3DTexture9> m_standTexture;
  DS_SimpleMesh<DX_V::SC> m_bars[4];
  DS_ScreenTexturedQuad m_backgroundQuad;
  DS_ScreenTexturedQuad m_scrollQuads[2];
  float m_z = -600.0f;
  float m_k = 1.0f;
  float m_n = 0.0f;
  float m_c = 1.0f;
  float m_cw = 1.0f;
  int m_backgroundFitType = DS_ViewContext::kFitLetterbox;
  int m_savedFitType = DS_ViewContext::kFitLetterbox;
  float m_ox = 0, m_oy = 0;
  float m_sx = 1.0f, m_sy = 1.0f;
  bool m_targetFlag = false;
  int m_savedWidth = 0, m_savedHeight = 0;
  D3DXMATRIX m_textureMatrix;
};
