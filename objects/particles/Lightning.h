#pragma once
// Lightning: a forked bolt between two points of the scene. The bolt is a tree of
// polylines: the main bolt from the start point to the end point, made jagged by
// repeated random midpoint displacement and smoothed by one pass of corner cutting,
// with branches that leave it at random points and may fork twice more. The tree is
// built each time the object becomes visible and kept until it is hidden again; every
// frame its points become textured quads whose brightness follows the time line (the
// strike runs from the start to the end while fading in, the bolt flickers while
// visible and dims while fading out). The quads are drawn into two off-screen
// pictures, an inner core and an outer glow, which one effect pass lays over the
// scene.
//
// DS_StringGenerator is the generator level that holds the two end points;
// DS_LightningGN is the item.

#include <d3dx9math.h>

#include <vector>

#include "document/MediaParam.h"
#include "document/ScaledParams.h"
#include "objects/particles/ParticleQuads.h"
#include "objects/particles/TexParticleGenerator.h"

class DS_StringGenerator : public DS_TexParticleGenerator {
public:
  static constexpr int kRecordVersion = 1;

  DS_StringGenerator();
  DS_StringGenerator(const DS_StringGenerator& other);
  ~DS_StringGenerator() override;

  void Write(DS_IOF_Virtual& stream) const override;
  // The "DS_StringGenerator" section: header (not compared), then Read.
  void ReadSection(DS_IOF_Handle& handle);
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // Scene pixels; the document always supplies them.
  MediaParamT<D3DXVECTOR3> startPoint;
  MediaParamT<D3DXVECTOR3> endPoint;
};

// One point of a bolt: its position, its width as a factor of the core and glow
// widths, the argument of its brightness (1 at the start of the main bolt, 0 at its
// end) and the sub-bolt that leaves it (empty for most points).
struct BoltPoint {
  D3DXVECTOR3 position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  float Width = 1.0f;
  float Fade = 0.0f;
  std::vector<BoltPoint> Branches;
};

typedef std::vector<BoltPoint> BoltPointList;

// Where a branch leaves its bolt while the tree is built, with its own sub-branches.
struct BranchSlot {
  int index = -1;
  std::vector<BranchSlot> slots;
};

class DS_LightningGN : public DS_StringGenerator {
public:
  static constexpr int kRecordVersion = 2;
  // Legacy values of version 1 records: the time line in tenths of hundredths.
  static constexpr int kLegacyValueCount = 7;
  // What version 1 records kept of the appearance cycle, in their own fields.
  typedef unsigned int LegacyValues[kLegacyValueCount];
  // Buffer slots: core strips with both tips, glow strips, glow caps.
  enum Slot { kCoreSlot = 0, kGlowSlot = 1, kCapSlot = 2, kSlotCount = 3 };
  // Each generation doubles a bolt's points; beyond this the main bolt alone would
  // outgrow what a buffer slot draws.
  static constexpr unsigned kMaxGenerations = 12;
  // The most points a tree may hold (all its bolts together): the core slot then needs
  // at most 1.5 times as many quads (every bolt has two points or more and adds two
  // tips), within one slot's 16-bit indices. Branches that would exceed it are left out.
  static constexpr size_t kMaxTreePoints = 10240;
  // The most branches of each level that a tree is built with.
  static constexpr unsigned kMaxBranchCount = 4096;

  DS_LightningGN();
  // Copies the settings, the bolt tree with all its branches, the last time and the
  // built flag.
  DS_LightningGN(const DS_LightningGN& other);
  ~DS_LightningGN() override;

  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  template <class IO>
  void Fields(IO& io, int version, LegacyValues& legacy);
  void Reset() override;

  void Update(float t, DS_ParticlesObj* object) override;
  void PrepareResources(DS_ParticlesObj* object) override;
  void Render(DS_ABRender* layer, DS_ParticlesObj* object) override;
  // "Main" always lays the bolt over the scene, whatever the blend mode: the slide must
  // hand it the scene drawn so far, or the objects drawn before it are lost under the
  // bare picture.
  bool NeedsSceneInput() const override { return CanComposite(); }
  DS_ParticleGenerator* Clone() const override { return new DS_LightningGN(*this); }

  // Builds the bolt tree from the settings (reseeding the shared random sequence
  // first when the bolt is not random each time).
  void BuildBolt();
  // Appends one bolt from a to b with its branches to `list`.
  void GenerateBolt(const D3DXVECTOR3& a, const D3DXVECTOR3& b, BoltPointList& list, int generations,
                    float startWidth, std::vector<BranchSlot>& slots, float startFade);
  // Brightness factor of a point by the time line's phase and opacity.
  float BoltIntensity(float fade) const;
  static int CountBoltCaps(const BoltPointList& list);
  static int CountBoltSegments(const BoltPointList& list);
  // Sizes, locks and fills the three buffer slots from the bolt tree.
  void FillBoltBuffers(DS_ParticlesObj* object);

  const BoltPointList& Bolt() const { return m_bolt; }
  float GetLastTime() const { return m_lastTime; }
  bool IsBuilt() const { return m_built; }

  MediaParamT<unsigned int> CoreWidth;
  MediaParamT<unsigned int> Generations;
  UINTSclaleTo<float> Displacement;
  MediaParamT<unsigned int> Seed;
  UINTSclaleTo<float> BranchLength;
  UINTSclaleTo<float> BranchAngle;
  UINTSclaleTo<float> Taper;
  MediaParamT<unsigned int> BranchCount1;
  MediaParamT<unsigned int> BranchCount2;
  MediaParamT<unsigned int> BranchCount3;
  UINTSclaleTo<float> Flicker;
  MediaParamT<unsigned int> GlowWidth;
  MediaParamT<int> RandomEachTime;

private:
  struct Buffers;
  // Writes the quads of one bolt and, recursively, of its branches.
  void DrawBolt(const BoltPointList& list, Buffers& buffers) const;
  // The height / width of the first texture set's picture (1 without one).
  float TextureRatio() const;

  BoltPointList m_bolt;
  float m_lastTime = 0.0f;
  bool m_built = false;
  // Points the tree being built may still take.
  size_t m_pointBudget = 0;
};
