#pragma once
// The code-rain layer: falling columns of glyphs drawn over the slide picture or, in
// its second draw mode, over black with each glyph's opacity taken from the brightness
// of the picture underneath, so that the picture shows through the rain. The glyphs
// are the non-empty cells of a DS_MatrixCodeGrid; each becomes one pre-transformed,
// textured and coloured quad of the layer's DS_QuadBatch, laid over the fitted picture
// and following the camera's zoom and drift. The simulation advances one step per
// rendered frame. It draws straight into the current target: no scene capture.
//
// The layer owns its rain (with the grid), its batch and its luminance map.

#include <memory>
#include <vector>

#include "document/FileLink.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "render/Layer.h"
#include "render/QuadBatch.h"
#include "render/layers/CodeRainGrid.h"

class DS_MatrixCodeLight : public DS_2D_Light {
public:
  static constexpr int kRecordVersion = 2;
  // The glyph strip the layer shows until its record names one.
  static constexpr int kDefaultGlyphResource = 40;
  // Side of the luminance map the second draw mode reads glyph opacities from.
  static constexpr int kLuminanceSize = 256;

  // Draw modes: the picture under the rain, black under it with glyph opacity from the
  // picture's luminance; any other value draws nothing under the rain.
  enum DrawMode { kDrawOverPicture = 0, kDrawLuminance = 1 };

  DS_MatrixCodeLight();
  ~DS_MatrixCodeLight() override;

  // The "DS_MatrixCodeLight" fields after the header, then the base layer's record.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);
  void Write(DS_IOF_Virtual& stream) const override;

  void BeginTarget(const DS_RenderTargetPair& pair, int fitType) override;
  void EndTarget() override;
  void OnDeviceCreated() override;
  // Advances the rain, draws the background of the draw mode, then the glyphs.
  void Render(bool noClear) override;
  // Keeps the time only; the camera moves when the layer renders.
  void Update(float t) override;
  // The layer moves by itself.
  bool IsStill() const override { return false; }
  void SetFitType(int type) override;
  void OnImageChanged() override;

  // A new, empty rain for the configuration and the current scene mapping.
  void RebuildGrid();
  // One quad per grid cell.
  void ResizeBatch();
  // The 256 x 256 luminance of the picture (draw mode 1), or none (draw mode 0).
  void BuildLuminanceMap();
  // One simulation step, then every quad of the batch rewritten for time t.
  void UpdateGlyphs(float t);

  // The colour of one glyph quad: alpha from the opacity (halved for fading glyphs, or
  // from the luminance in draw mode 1), the glyph or highlight colour (COLORREF, red in
  // the low byte) as ARGB, masked by the item's colour mask.
  D3DCOLOR GlyphColor(const DS_MatrixCodeGlyph& item) const;
  // Luminance under cell (column, row) of a columns x rows grid; 1.0 without a map.
  float LuminanceAt(int column, int row, int columns, int rows) const;

  const DS_MatrixCodeConfig& GetConfig() const { return m_config; }
  DS_MatrixCodeRain* GetRain() { return m_rain.get(); }
  DS_QuadBatch& GetBatch() { return m_batch; }
  const std::vector<float>& GetLuminanceMap() const { return m_luminance; }
  float GetTime() const { return m_time; }
  float GetTargetScaleX() const { return m_targetScaleX; }
  float GetTargetScaleY() const { return m_targetScaleY; }

  MediaParamT<unsigned int> cellSize;      // glyph cell size in picture pixels
  MediaParamT<unsigned int> density;       // percent; chooses the spawn odds
  MediaParamT<unsigned int> glitchCount;   // one more than the glitch cells
  MediaParamT<int> spinnerSwitch;          // not 0: random glyphs light up for a while
  MediaParamT<int> drawMode;               // DrawMode
  MediaParamT<int> fallStyle;              // 0 scrolling, 1 growing in place, else both
  MediaParamT<unsigned long> glyphColor;      // COLORREF of normal and fading glyphs
  MediaParamT<unsigned long> highlightColor;  // COLORREF of highlighted glyphs
  UINTSclaleTo<float> opacity;             // stored as a transparency in percent
  DS_ImageFileLink glyphImage;             // the glyph strip, glyphs stacked downwards

protected:
  DS_StateBlock LayerStates(const DS_DrawStates& draw) const override;

private:
  // The configuration from the parameters, as the device objects are made.
  void TakeConfiguration(int glyphCount);

  DS_QuadBatch m_batch;
  std::unique_ptr<DS_MatrixCodeRain> m_rain;
  DS_MatrixCodeConfig m_config;
  // kLuminanceSize x kLuminanceSize values, row 0 at the top; empty when none.
  std::vector<float> m_luminance;
  float m_time = 0;
  float m_targetScaleX = 1.0f;
  float m_targetScaleY = 1.0f;
};
