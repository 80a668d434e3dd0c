#include "document/CompositeParams.h"

#include <cmath>
#include <cstdlib>

#include "document/FieldIO.h"

namespace {

// The angle constant the stored directions were made with.
const float kPi = 3.1415927f;
const float kRandMax = 32767.0f;

float DegreesToRadians(float degrees) { return degrees * kPi / 180.0f; }

}  // namespace

// --- MediaColor ---------------------------------------------------------------------

void MediaColor::ReadColorField(DS_IOF_Virtual& stream) {
  long color = static_cast<long>(GetValue());
  stream.ReadLong(color);
  StoreValue(static_cast<unsigned long>(color));
}

void MediaColor::WriteColorField(DS_IOF_Virtual& stream) const { stream.WriteLong(static_cast<long>(GetValue())); }

// --- MediaDirection -----------------------------------------------------------------

MediaDirection::MediaDirection(unsigned int degrees) : MediaParamT<unsigned int>(degrees) { UpdateAxes(); }

MediaDirection::MediaDirection(const MediaDirection& other) : MediaParamT<unsigned int>(other) { UpdateAxes(); }

MediaDirection& MediaDirection::operator=(const MediaDirection& other) {
  if (this != &other) {
    SetValue(other.GetValue());
    m_xAxis = other.m_xAxis;
    m_yAxis = other.m_yAxis;
  }
  return *this;
}

void MediaDirection::UpdateAxes() {
  // Rotation of the unit axes about z by the angle.
  float a = DegreesToRadians(static_cast<float>(GetValue()));
  float c = std::cos(a);
  float s = std::sin(a);
  m_xAxis = D3DXVECTOR4(c, s, 0.0f, 0.0f);
  m_yAxis = D3DXVECTOR4(-s, c, 0.0f, 0.0f);
}

// --- MediaSector --------------------------------------------------------------------

D3DXVECTOR3 MediaSector::RandomDirection() const {
  float s = static_cast<float>(m_spread.GetValue());
  float d = static_cast<float>(GetValue());
  float r = static_cast<float>(std::rand()) / kRandMax;
  float degrees = (-s + r * (s - (-s))) + d;
  // (1, 0, 0) turned about z by 360 - a degrees.
  float a = DegreesToRadians(360.0f - degrees);
  return D3DXVECTOR3(std::cos(a), std::sin(a), 0.0f);
}

// --- MediaRectangle -----------------------------------------------------------------

MediaRectangle::MediaRectangle() : m_left(0), m_right(0), m_top(0), m_bottom(0), m_extra1(0), m_extra2(0) {}

MediaRectangle::MediaRectangle(const MediaRectangle& other)
    : MediaParam(),
      m_left(other.m_left),
      m_right(other.m_right),
      m_top(other.m_top),
      m_bottom(other.m_bottom),
      m_extra1(other.m_extra1),
      m_extra2(other.m_extra2) {}

MediaRectangle& MediaRectangle::operator=(const MediaRectangle& other) {
  m_left = other.m_left;
  m_right = other.m_right;
  m_top = other.m_top;
  m_bottom = other.m_bottom;
  m_extra1 = other.m_extra1;
  m_extra2 = other.m_extra2;
  return *this;
}

void MediaRectangle::Read(DS_IOF_Virtual& stream) {
  ReadPartFields(stream, *this);
}

void MediaRectangle::Write(DS_IOF_Virtual& stream) const {
  WritePartFields(stream, *this);
}

// --- MediaQuad ----------------------------------------------------------------------

MediaQuad::MediaQuad() {
  for (MediaParamTB<D3DXVECTOR3>& corner : m_corners) corner.StoreValue(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
}

MediaQuad::MediaQuad(const MediaQuad& other) : MediaParam() {
  for (int i = 0; i < kCornerCount; ++i) m_corners[i].StoreValue(other.m_corners[i].GetValue());
}

MediaQuad& MediaQuad::operator=(const MediaQuad& other) {
  for (int i = 0; i < kCornerCount; ++i) m_corners[i] = other.m_corners[i];
  return *this;
}

void MediaQuad::SetFromCentre(const D3DXVECTOR3& c, float width, float height) {
  float hw = width / 2.0f;
  float hh = height / 2.0f;
  m_corners[0].StoreValue(D3DXVECTOR3(c.x - hw, c.y - hh, c.z));
  m_corners[1].StoreValue(D3DXVECTOR3(c.x - hw, c.y + hh, c.z));
  m_corners[2].StoreValue(D3DXVECTOR3(c.x + hw, c.y - hh, c.z));
  m_corners[3].StoreValue(D3DXVECTOR3(c.x + hw, c.y + hh, c.z));
}

D3DXVECTOR3 MediaQuad::RandomPoint() const {
  float r1 = static_cast<float>(std::rand());
  float r2 = static_cast<float>(std::rand());
  const D3DXVECTOR3& c0 = m_corners[0].GetValue();
  const D3DXVECTOR3& c3 = m_corners[3].GetValue();
  float y = c0.y + r1 / kRandMax * (c3.y - c0.y);
  float x = c0.x + r2 / kRandMax * (c3.x - c0.x);
  return D3DXVECTOR3(x, y, 0.0f);
}

void MediaQuad::Read(DS_IOF_Virtual& stream) {
  ReadPartFields(stream, *this);
}

void MediaQuad::Write(DS_IOF_Virtual& stream) const {
  WritePartFields(stream, *this);
}

// --- FontMediaParam -----------------------------------------------------------------

FontMediaParam::FontMediaParam(const FontMediaParam& other)
    : MediaParam(),
      m_height(other.m_height),
      m_weight(other.m_weight),
      m_third(other.m_third),
      m_faceName(other.m_faceName) {}

FontMediaParam& FontMediaParam::operator=(const FontMediaParam& other) {
  Set(other.m_height, other.m_weight, other.m_third, other.m_faceName);
  return *this;
}

void FontMediaParam::Set(int height, int weight, int third, const ds_string& faceName) {
  m_height = height;
  m_weight = weight;
  m_third = third;
  m_faceName = faceName;
}

void FontMediaParam::Read(DS_IOF_Virtual& stream) {
  ReadPartFields(stream, *this);
}

void FontMediaParam::Write(DS_IOF_Virtual& stream) const {
  WritePartFields(stream, *this);
}
