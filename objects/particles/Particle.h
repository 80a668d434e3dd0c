#pragma once
// The particles of the generators and the small rules (processes) they live by. A
// particle is a plain record kept by value in its generator's lists: a position, the
// position of the last trail emission, five channels that processes change over time
// and an ordered list of processes, which the particle owns. Copying a particle clones
// its processes, so a copy carries on from exactly where the original stood.

#include <d3dx9math.h>

#include <memory>
#include <vector>

class PProcess;
class MediaQuad;
template <class T>
class UINTSclaleTo;

class DS_Particle {
public:
  // Channel numbers the processes name.
  enum Channel { kLife = 0, kSize = 1, kAlpha = 2, kAge = 3, kAngle = 4, kChannelCount = 5 };

  DS_Particle() : DS_Particle(0.0f, 0.0f, 0.0f) {}
  DS_Particle(float x, float y, float z);
  explicit DS_Particle(const D3DXVECTOR3& point) : DS_Particle(point.x, point.y, point.z) {}
  DS_Particle(const DS_Particle& other);
  DS_Particle(DS_Particle&& other) noexcept = default;
  DS_Particle& operator=(const DS_Particle& other);
  DS_Particle& operator=(DS_Particle&& other) noexcept = default;
  ~DS_Particle();

  // Runs every process once, in list order, also after one has asked for the end;
  // false when any of them did (the owner then removes the particle).
  bool Update(float dt);
  // The current position becomes the start of the next trail segment.
  void SavePosition() { previousPosition = position; }

  // Takes ownership of `process` and appends it.
  void AddProcess(PProcess* process);
  size_t ProcessCount() const { return m_processes.size(); }
  PProcess* GetProcess(size_t i) const { return m_processes[i].get(); }

  // Channel c (life, size, alpha, age, angle); null for any other number.
  float* ChannelPtr(int c);

  D3DXVECTOR3 position;
  D3DXVECTOR3 previousPosition;
  float life = 0.0f;
  float size = 1.0f;
  float alpha = 1.0f;
  float age = 0.0f;
  float angle = 0.0f;

private:
  std::vector<std::unique_ptr<PProcess>> m_processes;
};

// A rule applied to a particle at every step.
class PProcess {
public:
  virtual ~PProcess() = default;
  // Advances `p` by dt seconds; false means the particle must die.
  virtual bool Apply(float dt, DS_Particle& p) = 0;
  // A new process of the same class in the same state.
  virtual PProcess* Clone() const = 0;
};

// Life clock: life grows by rate per second; the particle ends when life reaches 1.
class PLifeConst : public PProcess {
public:
  explicit PLifeConst(float rate) : rate(rate) {}
  bool Apply(float dt, DS_Particle& p) override;
  PProcess* Clone() const override { return new PLifeConst(*this); }

  float rate;
};

// Age clock: the particle ends when its age reaches the maximum.
class PAgeConst : public PProcess {
public:
  explicit PAgeConst(float maxAge) : maxAge(maxAge) {}
  bool Apply(float dt, DS_Particle& p) override;
  PProcess* Clone() const override { return new PAgeConst(*this); }

  float maxAge;
};

// Moves a channel by `amount` in total, linearly over the age interval
// [startAge, endAge]; inert once the amount is handed out.
class PFade : public PProcess {
public:
  PFade(int channel, float startAge, float endAge, float amount)
      : channel(channel), startAge(startAge), endAge(endAge), amount(amount) {}
  bool Apply(float dt, DS_Particle& p) override;
  PProcess* Clone() const override { return new PFade(*this); }

  int channel;
  float startAge;
  float endAge;
  float amount;
};

// Changes a channel at a constant rate while life lies strictly inside (lifeFrom,
// lifeTo).
class PSteady : public PProcess {
public:
  PSteady(int channel, float lifeFrom, float lifeTo, float rate)
      : channel(channel), lifeFrom(lifeFrom), lifeTo(lifeTo), rate(rate) {}
  bool Apply(float dt, DS_Particle& p) override;
  PProcess* Clone() const override { return new PSteady(*this); }

  int channel;
  float lifeFrom;
  float lifeTo;
  float rate;
};

// Random flicker: the channel returns to its base value for 0.2 to 2.5 s, or flashes
// up to 1.5 times brighter for 0.2 s.
class PTwinkle : public PProcess {
public:
  PTwinkle(int channel, float timer, float baseValue, float nextInterval)
      : channel(channel), timer(timer), baseValue(baseValue), nextInterval(nextInterval) {}
  bool Apply(float dt, DS_Particle& p) override;
  PProcess* Clone() const override { return new PTwinkle(*this); }

  int channel;
  float timer;
  float baseValue;
  float nextInterval;
};

// Uniformly accelerated motion.
class PKinetic : public PProcess {
public:
  PKinetic(const D3DXVECTOR3& velocity, const D3DXVECTOR3& acceleration)
      : velocity(velocity), acceleration(acceleration) {}
  bool Apply(float dt, DS_Particle& p) override;
  PProcess* Clone() const override { return new PKinetic(*this); }

  D3DXVECTOR3 velocity;
  D3DXVECTOR3 acceleration;
};

// Constant rotation about the view axis, radians per second.
class PSpin : public PProcess {
public:
  explicit PSpin(float rate) : rate(rate) {}
  bool Apply(float dt, DS_Particle& p) override;
  PProcess* Clone() const override { return new PSpin(*this); }

  float rate;
};

// What the wandering particles of one generator share: the region they wander in
// (corner 0 = left, top; corner 3 = right, bottom) and three settings read at every
// step. The generator that makes the wanderers owns the context and its parameters and
// keeps them alive as long as its particles.
struct DS_BrownianContext {
  const MediaQuad* region = nullptr;
  const UINTSclaleTo<float>* speedFactor = nullptr;    // k
  const UINTSclaleTo<float>* retargetPeriod = nullptr;  // T, seconds
  const UINTSclaleTo<float>* steeringTime = nullptr;    // e, seconds
};

// Random wandering inside the context's region: every T seconds (0.5 T to 1.5 T) a new
// random target velocity, reached by steering for e seconds; a particle that leaves
// the region steers back towards its centre at 100 px/s.
class PBrownian : public PProcess {
public:
  // Speed of the random targets and of the return to the centre, pixels per second.
  static constexpr float kTargetSpeed = 100.0f;

  // Random start velocity (y drawn first), retarget timer uniform in [1, 5] s.
  explicit PBrownian(const DS_BrownianContext* context);
  bool Apply(float dt, DS_Particle& p) override;
  PProcess* Clone() const override { return new PBrownian(*this); }

  // Steers towards `target` over the steering time.
  void SetTarget(const D3DXVECTOR3& target);
  void SteerToCentre(const DS_Particle& p);

  const DS_BrownianContext* context;
  D3DXVECTOR3 velocity;
  D3DXVECTOR3 acceleration;
  float steeringTimer = 0.0f;
  float retargetTimer = 0.0f;
  bool inside = true;

private:
  struct Settings {
    float left, top, right, bottom;
    float speedFactor, retargetPeriod, steeringTime;
  };
  Settings ReadSettings() const;
};
