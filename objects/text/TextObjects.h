#pragma once
// Text items. Text in a scene is a picture: the authoring tool renders each text
// with its font and stores the image in the document's GUID textures under the
// item's GUID; the saver draws no glyphs. Each text item shows that picture on the
// one effect-drawn quad of a fixed-position item (run-time object DS_FXObj):
//
// - DS_StaticTextConstructor: the picture standing still;
// - DS_ScrollingTextConstructor: the picture scrolling inside its quad in one of
//   four directions, through the effect's "Shift";
// - DS_TextLinkConstructor: a static text that shows the hand cursor while the
//   mouse is over it. Nothing in the saver calls an item's mouse operations, so it
//   draws exactly like a static text.
//
// The text, font and options the tool rendered from are read and written back,
// never used. The picture belongs to the document resource manager; the item
// holds a reference to it from Prepare on.

#include <d3dx9.h>

#include "device/ComHolder.h"
#include "document/CompositeParams.h"
#include "document/MediaParam.h"
#include "objects/sprites/FXParticleCtrl.h"

class DS_StaticTextConstructor : public DS_StatBaseFXCtrl {
public:
  static const int kRecordVersion = 3;
  // Version 1 kept the appearance cycle in four values of its own, ten times finer
  // than the time line; version 3 added the GUID, the tag and the flag.
  static const int kFirstVersionWithoutLegacy = 2;
  static const int kFirstVersionWithGuid = 3;
  static const int kLegacyValueCount = 4;
  // The tint a new text starts with: red, in the low byte.
  static const unsigned long kTextColour = 0x0000FF;

  // A new GUID; time mode 1 and a red tint until the record says otherwise.
  DS_StaticTextConstructor();
  // Shares the text picture with the copy (a reference added).
  DS_StaticTextConstructor(const DS_StaticTextConstructor& other) = default;

  DS_ParticleSystemCtrl* Clone() const override;
  // The effect, then the picture stored under the GUID (none when there is none).
  void Prepare() override;
  // The one sprite covers the item: its position, half its width and height.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
  // Draws the quad with "CommonVretexColor" itself and answers false.
  bool SetupEffect(DS_ABRender* layer, ParticleGeomArray* geometry) override;

  // Stores a copy of the picture at the item's size under the GUID (so that a
  // written document carries it), then the record, version 3.
  void Write(DS_IOF_Virtual& stream) const override;
  // The whole section, header included; the derived records carry it.
  void ReadSection(DS_IOF_Handle& handle);
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike; records before version 2 hold
  // four old time values, which Read turns into the time line's.
  template <class IO>
  void Fields(IO& io, int version, unsigned int (&legacy)[kLegacyValueCount]);

  IDirect3DTexture9* GetTextTexture() const { return m_textTexture.Get(); }

  // Stored only.
  MediaParamT<int> TextOption1;
  MediaParamT<int> TextOption2;
  MediaParamT<ds_string> Text;
  FontMediaParam Font;
  // Key of the text picture in the document's GUID textures.
  GUID guid;
  // Stored only.
  ds_string TextureTag;
  unsigned char TextureFlag = 1;

protected:
  DS_ComHolder<IDirect3DTexture9> m_textTexture;

private:
  // The appearance cycle of a version-1 record, moved into the time line.
  void ApplyLegacyTimes(const unsigned int (&legacy)[kLegacyValueCount]);
};

class DS_ScrollingTextConstructor : public DS_StaticTextConstructor {
public:
  static const int kRecordVersion = 2;
  // Version 2 added the tile sizes.
  static const int kFirstVersionWithTiles = 2;
  // Directions 0 and 1 scroll along the second "Shift" component, 2 and 3 along
  // the first; the even ones forward, the odd ones back.
  enum Direction { kSecondForward = 0, kSecondBack = 1, kFirstForward = 2, kFirstBack = 3 };

  DS_ScrollingTextConstructor();
  DS_ScrollingTextConstructor(const DS_ScrollingTextConstructor& other) = default;

  DS_ParticleSystemCtrl* Clone() const override;
  // The static text's, the scroll step, then the texture range from the tiles.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
  // "ScrollText" with the shift and the picture; answers true.
  bool SetupEffect(DS_ABRender* layer, ParticleGeomArray* geometry) override;

  // Period, direction, tiles, then the "DS_StaticTextConstructor" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // One frame's scroll by the control step; back to position 0 while the time line
  // is invisible.
  void StepScroll();
  // The shift of a scroll position a: with f = a - trunc(a), 3f - 1 when f > 0,
  // else 3f + 1. One period sweeps an interval of length 3.
  static float ShiftOf(float position);
  // extent / tile: how often the picture repeats across the quad; 1 for a tile
  // that is not a positive number, or a range that is not finite.
  static float TextureRange(unsigned int extent, float tile);

  float GetFirstPosition() const { return m_firstPosition; }
  float GetSecondPosition() const { return m_secondPosition; }
  const float* GetShift() const { return m_shift; }

  // Divisor of the scroll speed: one period of this many control seconds sweeps
  // the shift once.
  MediaParamT<unsigned int> ScrollPeriod;
  MediaParamT<int> ScrollDirection;
  // Pixels of the item per repeat of the picture.
  float TileHeight = 0.0f;
  float TileWidth = 0.0f;

private:
  float m_shift[2] = {0.0f, 0.0f};
  float m_secondPosition = 0.0f;
  float m_firstPosition = 1.0f / 3.0f;
};

class DS_TextLinkConstructor : public DS_StaticTextConstructor {
public:
  static const int kRecordVersion = 1;

  DS_TextLinkConstructor() = default;
  DS_TextLinkConstructor(const DS_TextLinkConstructor& other) = default;

  DS_ParticleSystemCtrl* Clone() const override;

  // The hand cursor and 1 while the link is visible under (x, y); otherwise 0.
  int OnMouseMove(int x, int y) override;
  // Tests the point while the link is visible; the link opens nothing.
  void OnClick(int x, int y) override;
  // Whether the window point (x, y) lies on the item's quad (edges included).
  bool HitTest(float x, float y) const override;

  // Link parameter, then the "DS_StaticTextConstructor" section.
  void Write(DS_IOF_Virtual& stream) const override;
  // The version is not looked at.
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version);

  // Stored only.
  MediaParamT<unsigned int> LinkParam;
};
