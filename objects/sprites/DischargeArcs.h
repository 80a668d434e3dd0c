#pragma once
// A discharge arc: an electric arc between two points, drawn by the glow
// machinery (a blurred glow laid over the scene, then the arc's core on top).
// The arc is a jagged polyline whose segments are the item's sprites. The item
// keeps two random polylines, A and B, and morphs each segment from A toward B;
// every 0.1 s of its control clock B becomes A and a fresh B is drawn. Each
// segment shows a random half of the core picture, often flipped, so the arc
// crackles. The polylines belong to the item (the clone its run-time object
// owns); a clone copies them.

#include <vector>

#include "document/ModuleResources.h"
#include "objects/sprites/FXParticleCtrl.h"

// One segment of an arc polyline.
struct ArcSegment {
  D3DXVECTOR3 centre{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 direction{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 perpendicular{0.0f, 0.0f, 0.0f};
  float length = 0.0f;
};

class DS_DischargeFXConstructor : public DS_GlowEffectCtrl {
public:
  static const int kRecordVersion = 1;
  // The glow effect and the two core pictures of the resource module.
  static constexpr const wchar_t* kResourceModule = kSharedModuleName;
  static const int kGlowEffectId = 97;
  static const int kCorePictureId = 95;
  static const int kAlternateCorePictureId = 98;
  // Seconds of control time between renewals of the polylines.
  static constexpr float kRenewalInterval = 0.1f;

  DS_DischargeFXConstructor();
  // Copies every field, both polylines included.
  DS_DischargeFXConstructor(const DS_DischargeFXConstructor& other) = default;

  // Header, points, jitter, picture choice, flicker, morph speed, then the
  // "DS_GlowEffectCtrl" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // Lays out polylines A and B for the sprite count.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // The next segment of the arc: morphed from A toward B, its texture half
  // re-picked when the flicker interval has passed, the picture's ends used only
  // at the arc's ends.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
  // The core picture of the choice becomes the main image; then the effect and
  // both textures.
  void Prepare() override;
  // Starts the segment walk of the frame and renews the polylines when their
  // time is up.
  void UpdateEffect() override;

  // A polyline of `line.size ()` segments from the start point to the end point,
  // each deflected sideways at random by up to the jitter; the last one ends on
  // the end point.
  void BuildArc(std::vector<ArcSegment>& line) const;
  // a + (b - a) x f, member by member.
  static ArcSegment LerpSegment(const ArcSegment& a, const ArcSegment& b, float f);

  // The module picture the choice names: 95 when non-zero, otherwise 98.
  int GetCorePictureId() const;
  const std::vector<ArcSegment>& GetPolylineA() const { return m_polylineA; }
  const std::vector<ArcSegment>& GetPolylineB() const { return m_polylineB; }
  float GetRenewalTime() const { return m_renewalTime; }

  // Scene pixels.
  MediaParamT<D3DXVECTOR3> startPoint;
  MediaParamT<D3DXVECTOR3> endPoint;
  // Largest sideways deflection of a segment, as a fraction of the remaining
  // distance.
  UINTSclaleTo<float> jitter;
  // Non-zero: core picture 95, zero: picture 98.
  MediaParamT<int> corePicture;
  // Seconds of raw local time before a segment re-picks its texture half.
  UINTSclaleTo<float> flickerInterval;
  // How far a segment moves from A toward B per second of control time.
  UINTSclaleTo<float> morphSpeed;

private:
  std::vector<ArcSegment> m_polylineA;
  std::vector<ArcSegment> m_polylineB;
  // The segment UpdateParticle works on next.
  int m_segmentIndex = 0;
  // Accumulated control time of the last renewal.
  float m_renewalTime = 0.0f;
};
