#pragma once
// The pattern brush: lays a pattern picture (a still or a sequence of frames) tiled
// across its masked region, rotated, zoomed, shifted and mirrored, tinted by its time
// line's opacity. DS_PatternBrushC is the same brush stored under a second class
// name. The frames are shared with the texture set the resource manager keeps for the
// pattern link.

#include <vector>

#include "document/FileLink.h"
#include "document/TextureSet.h"
#include "objects/brushes/EffectBrush.h"

class DS_PatternBrush : public DS_FX_Constructor {
public:
  static const int kRecordVersion = 1;
  static const int kDefaultEffectId = 78;

  DS_PatternBrush();
  DS_PatternBrush(const DS_PatternBrush& other) = default;
  DS_PatternBrush& operator=(const DS_PatternBrush&) = delete;

  // The "DS_PatternBrush" fields after the header, then the "DS_FX_Constructor" level.
  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // Effect and mask, then the pattern's frames from its texture set.
  void Prepare(DS_MaskHolder* mask) override;
  // The brush clock, then the frame stepping.
  void Update(float localTime) override;
  void Render(DS_ABRender* layer) override;
  // Without a pattern nothing is drawn, not even the plain background.
  bool RedrawsScene() const override { return m_patternWidth != 0 && m_patternHeight != 0; }
  DS_FX_Constructor* Clone() override { return new DS_PatternBrush(*this); }

  unsigned int GetFrameIndex() const { return m_frameIndex; }
  size_t GetFrameCount() const { return m_frames.size(); }
  int GetPatternWidth() const { return m_patternWidth; }
  int GetPatternHeight() const { return m_patternHeight; }

  DS_ImageFileLink patternImage;
  MediaParamT<int> verticalFlip;
  MediaParamT<int> horizontalFlip;
  // Degrees.
  MediaParamT<unsigned int> angle;
  UINTSclaleTo<float> zoom;
  UINTSclaleTo<float> offsetX;
  UINTSclaleTo<float> offsetY;

protected:
  // The level record of the pattern brush, header included.
  void WritePatternLevel(DS_IOF_Virtual& stream) const;

private:
  std::vector<DS_TextureHolder> m_frames;
  std::vector<float> m_durations;
  int m_patternWidth = 0;
  int m_patternHeight = 0;
  unsigned int m_frameIndex = 0;
  float m_lastSwitch = 0.0f;
};

// The pattern brush under its second class name: its record puts a level of its own
// before the pattern brush's. Its clone is a plain DS_PatternBrush.
class DS_PatternBrushC : public DS_PatternBrush {
public:
  static const int kRecordVersion = 1;

  DS_PatternBrushC() = default;

  // Reads the "DS_PatternBrush" header and continues as the pattern brush reader.
  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
};
