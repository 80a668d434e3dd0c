#pragma once
// Composite parameters: a colour with opacity, a direction with its axes, a direction
// with a spread, a rectangle, a four-corner quad and a font description. Each lives
// inside the item that owns it; the owner's record decides where its fields stand,
// and the ReadField/WriteField pairs here fix how each one is encoded.

#include <d3dx9math.h>

#include "document/MediaParam.h"
#include "document/ParamBinder.h"
#include "document/ScaledParams.h"
#include "document/Stream.h"

// A stored colour (red in the lowest byte: 0x00BBGGRR) and an opacity whose stored
// value is a transparency in percent; the opacity's result is the alpha byte.
class MediaColor : public MediaParamT<unsigned long> {
public:
  static constexpr unsigned long kDefaultColor = 0xFFFFFF;
  static constexpr float kOpacityScale = -2.55f;
  static constexpr float kOpacityOffset = 255.0f;

  MediaColor() : MediaColor(kDefaultColor) {}
  explicit MediaColor(unsigned long color)
      : MediaParamT<unsigned long>(color), m_opacity(0u, kOpacityScale, kOpacityOffset) {}

  UINTSclaleTo<unsigned char>& Opacity() { return m_opacity; }
  const UINTSclaleTo<unsigned char>& Opacity() const { return m_opacity; }
  unsigned char GetAlpha() const { return m_opacity.GetResult(); }
  unsigned int GetTransparency() const { return m_opacity.GetValue(); }

  // Record fields: the colour as a 4-byte signed value, stored without notification,
  // then the transparency (uint32), assigned with notification.
  void ReadField(DS_IOF_Virtual& stream) {
    ReadColorField(stream);
    m_opacity.ReadField(stream);
  }
  void WriteField(DS_IOF_Virtual& stream) const {
    WriteColorField(stream);
    m_opacity.WriteField(stream);
  }
  // The colour alone, for records that keep the transparency elsewhere or not at all.
  void ReadColorField(DS_IOF_Virtual& stream);
  void WriteColorField(DS_IOF_Virtual& stream) const;

private:
  UINTSclaleTo<unsigned char> m_opacity;
};

// An angle in degrees and the X and Y axes it defines. The axes are computed when the
// direction is made (or copied) and on UpdateAxes; a later change of the angle alone
// leaves them as they were.
class MediaDirection : public MediaParamT<unsigned int> {
public:
  MediaDirection() : MediaDirection(0u) {}
  explicit MediaDirection(unsigned int degrees);
  MediaDirection(const MediaDirection& other);
  MediaDirection& operator=(const MediaDirection& other);

  void UpdateAxes();
  const D3DXVECTOR4& GetXAxis() const { return m_xAxis; }
  const D3DXVECTOR4& GetYAxis() const { return m_yAxis; }
  DS_FunLightCtrlList& Binders() { return m_binders; }

  // Record field: the angle (uint32), stored without notification; owners recompute
  // the axes when they clone the item.
  void ReadField(DS_IOF_Virtual& stream) { stream.ReadUInt(Value()); }
  void WriteField(DS_IOF_Virtual& stream) const { stream.WriteUInt(GetValue()); }

private:
  D3DXVECTOR4 m_xAxis;
  D3DXVECTOR4 m_yAxis;
  DS_FunLightCtrlList m_binders;
};

// A direction in degrees with a spread: random directions fall within
// direction +- spread.
class MediaSector : public MediaParamT<unsigned int> {
public:
  MediaSector() : MediaParamT<unsigned int>(0u), m_spread(0u) {}
  MediaSector(unsigned int direction, unsigned int spread) : MediaParamT<unsigned int>(direction), m_spread(spread) {}

  MediaParamT<unsigned int>& Spread() { return m_spread; }
  const MediaParamT<unsigned int>& Spread() const { return m_spread; }

  // A unit vector (cos a, -sin a, 0), a uniform in [direction - spread,
  // direction + spread] degrees; takes one rand().
  D3DXVECTOR3 RandomDirection() const;

  // Record field: the direction (uint32) stored without notification; the records
  // of the system do not store the spread.
  void ReadField(DS_IOF_Virtual& stream) { stream.ReadUInt(Value()); }
  void WriteField(DS_IOF_Virtual& stream) const { stream.WriteUInt(GetValue()); }

private:
  MediaParamT<unsigned int> m_spread;
};

// A rectangle in scene pixels (left, right, top, bottom) and two further values whose
// meaning the owner decides (the static sprites keep their picture centre there).
class MediaRectangle : public MediaParam {
public:
  MediaRectangle();
  MediaRectangle(const MediaRectangle& other);
  MediaRectangle& operator=(const MediaRectangle& other);

  MediaParamT<int>& Left() { return m_left; }
  MediaParamT<int>& Right() { return m_right; }
  MediaParamT<int>& Top() { return m_top; }
  MediaParamT<int>& Bottom() { return m_bottom; }
  MediaParamTB<int>& Extra1() { return m_extra1; }
  MediaParamTB<int>& Extra2() { return m_extra2; }
  const MediaParamT<int>& Left() const { return m_left; }
  const MediaParamT<int>& Right() const { return m_right; }
  const MediaParamT<int>& Top() const { return m_top; }
  const MediaParamT<int>& Bottom() const { return m_bottom; }
  const MediaParamTB<int>& Extra1() const { return m_extra1; }
  const MediaParamTB<int>& Extra2() const { return m_extra2; }

  // Whether the window point (x, y) lies in the rectangle (edges included) once
  // mapped into the scene. Defined with the scene mapping (render/SceneMapping.cpp),
  // which its callers link.
  bool Contains(float x, float y) const;

  // Six 4-byte signed values: left, right, top, bottom, then the two further values;
  // stored without notification.
  void Read(DS_IOF_Virtual& stream);
  void Write(DS_IOF_Virtual& stream) const;
  // The same fields, for a record's own field list (document/FieldIO.h).
  template <class IO>
  void Fields(IO& io) {
    io.Long(m_left);
    io.Long(m_right);
    io.Long(m_top);
    io.Long(m_bottom);
    io.Long(m_extra1);
    io.Long(m_extra2);
  }

private:
  MediaParamT<int> m_left;
  MediaParamT<int> m_right;
  MediaParamT<int> m_top;
  MediaParamT<int> m_bottom;
  MediaParamTB<int> m_extra1;
  MediaParamTB<int> m_extra2;
};

// Four corners in scene pixels. Laid out from a centre, corner 0 is (-x, -y),
// 1 is (-x, +y), 2 is (+x, -y) and 3 is (+x, +y); corner 0 is the minimum corner
// and corner 3 the maximum.
class MediaQuad : public MediaParam {
public:
  static constexpr int kCornerCount = 4;

  MediaQuad();
  MediaQuad(const MediaQuad& other);
  MediaQuad& operator=(const MediaQuad& other);

  // Corner i, for i in 0..3 (other indices give corner 0).
  MediaParamTB<D3DXVECTOR3>& Corner(int i) { return m_corners[ValidCorner(i)]; }
  const MediaParamTB<D3DXVECTOR3>& Corner(int i) const { return m_corners[ValidCorner(i)]; }

  // Stored without notification.
  void SetFromCentre(const D3DXVECTOR3& centre, float width, float height);
  // A point between corner 0 and corner 3; takes two rand() (y first), z = 0.
  D3DXVECTOR3 RandomPoint() const;

  // Twelve floats, corner by corner x, y, z; stored without notification.
  void Read(DS_IOF_Virtual& stream);
  void Write(DS_IOF_Virtual& stream) const;
  template <class IO>
  void Fields(IO& io) {
    for (MediaParamTB<D3DXVECTOR3>& corner : m_corners) io.Vector(corner);
  }

private:
  static int ValidCorner(int i) { return (i >= 0 && i < kCornerCount) ? i : 0; }

  MediaParamTB<D3DXVECTOR3> m_corners[kCornerCount];
};

// The font of a text item: stored, copied, read and written, never used to draw
// (the text arrives as a picture).
class FontMediaParam : public MediaParam {
public:
  static constexpr int kDefaultHeight = 32;
  static constexpr int kDefaultWeight = 700;

  FontMediaParam() = default;
  FontMediaParam(const FontMediaParam& other);
  FontMediaParam& operator=(const FontMediaParam& other);

  int GetHeight() const { return m_height; }
  int GetWeight() const { return m_weight; }
  int GetThird() const { return m_third; }
  const ds_string& GetFaceName() const { return m_faceName; }
  void Set(int height, int weight, int third, const ds_string& faceName);

  // Height (4-byte signed), weight (uint32), third value (4-byte signed), face name
  // (serialized string; an empty stored name leaves the face as it was).
  void Read(DS_IOF_Virtual& stream);
  void Write(DS_IOF_Virtual& stream) const;
  template <class IO>
  void Fields(IO& io) {
    io.Long(m_height);
    io.UInt(m_weight);
    io.Long(m_third);
    io.String(m_faceName);
  }

private:
  int m_height = kDefaultHeight;
  int m_weight = kDefaultWeight;
  int m_third = 0;
  ds_string m_faceName = L"Arial";
};
