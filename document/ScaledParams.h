#pragma once
// Scaled parameters. The document stores most numeric settings as unsigned integers
// (percentages, hundredths of a second, degrees); the run-time code reads a derived
// float or byte, offset + scale x stored value, that a control inside the parameter
// recomputes after every change of the stored value. The time and speed parameters
// rest on it. Each lives inside its owning item; the owner may give it its own scale.

#include "document/MediaParam.h"
#include "document/Stream.h"

// Conversion of offset + scale x value to the derived type.
template <class T>
struct ScaledResultOf;

template <>
struct ScaledResultOf<float> {
  static float Convert(float scaled) { return scaled; }
};

// A byte result (an opacity) is clamped first: a stored percentage outside its range
// must not wrap around or overflow the conversion.
template <>
struct ScaledResultOf<unsigned char> {
  static unsigned char Convert(float scaled) {
    if (!(scaled > 0.0f)) return 0;  // also NaN
    if (scaled >= 255.0f) return 255;
    return static_cast<unsigned char>(static_cast<int>(scaled));
  }
};

template <class T>
class UINTSclaleTo : public MediaParamT<unsigned int>, public MediaControlT<MediaParamT<unsigned int>> {
public:
  UINTSclaleTo() : UINTSclaleTo(0u, 1.0f, 0.0f) {}
  UINTSclaleTo(unsigned int value, float scale, float offset)
      : MediaParamT<unsigned int>(value), m_result(), m_scale(scale), m_offset(offset) {
    Observe(this);
    Recompute();
  }
  UINTSclaleTo(const UINTSclaleTo& other)
      : MediaParamT<unsigned int>(other), MediaControlT<MediaParamT<unsigned int>>(),
        m_result(), m_scale(other.m_scale), m_offset(other.m_offset) {
    Observe(this);
    NotifyControls(nullptr);
  }
  // Takes scale, offset and value; the result follows and the controls are told.
  UINTSclaleTo& operator=(const UINTSclaleTo& other) {
    if (this == &other) return *this;
    m_scale = other.m_scale;
    m_offset = other.m_offset;
    StoreValue(other.GetValue());
    NotifyControls(nullptr);
    return *this;
  }

  // The control part: the stored value changed.
  void OnParamChanged(MediaControl*) override { Recompute(); }

  const T& GetResult() const { return m_result; }
  float GetScale() const { return m_scale; }
  float GetOffset() const { return m_offset; }
  void SetScale(float scale, float offset) {
    m_scale = scale;
    m_offset = offset;
    Recompute();
  }

  // Record field: an unsigned value, assigned with notification when it differs.
  void ReadField(DS_IOF_Virtual& stream) {
    unsigned int value = GetValue();
    stream.ReadUInt(value);
    SetValue(value);
  }
  void WriteField(DS_IOF_Virtual& stream) const { stream.WriteUInt(GetValue()); }

private:
  void Recompute() {
    // Unsigned to float: 0xFFFFFFFF is 4294967296.0f, never negative.
    m_result = ScaledResultOf<T>::Convert(m_offset + m_scale * static_cast<float>(GetValue()));
  }

  T m_result;
  float m_scale;
  float m_offset;
};

// A plain number kept as a float; the owner assigns the value.
template <class T = unsigned int>
class MediaFloat : public UINTSclaleTo<float> {
  static_assert(sizeof(T) == sizeof(unsigned int), "a media float stores an unsigned value");

public:
  MediaFloat() = default;
  explicit MediaFloat(unsigned int value) : UINTSclaleTo<float>(value, 1.0f, 0.0f) {}
};

// A duration stored in hundredths of a second; the result is seconds.
class TimeParam : public UINTSclaleTo<float> {
public:
  static constexpr float kSecondsPerUnit = 0.01f;

  TimeParam() : UINTSclaleTo<float>(0u, kSecondsPerUnit, 0.0f) {}
  explicit TimeParam(unsigned int hundredths) : UINTSclaleTo<float>(hundredths, kSecondsPerUnit, 0.0f) {}
  float GetSeconds() const { return GetResult(); }
};

// A speed factor with its own clock: Advance(t) moves the accumulated time by the
// elapsed source time, at most kMaxClockStep seconds per call, times the speed, so an
// owner's clock never jumps after a pause.
class MediaSpeedParam : public UINTSclaleTo<float> {
public:
  static constexpr float kMaxClockStep = 0.2f;

  MediaSpeedParam() = default;
  MediaSpeedParam(unsigned int value, float scale, float offset) : UINTSclaleTo<float>(value, scale, offset) {}

  void Advance(float t) {
    if (m_lastTime > t) m_lastTime = t;
    float dt = t - m_lastTime;
    if (dt > kMaxClockStep) dt = kMaxClockStep;
    m_step = GetResult() * dt;
    m_accumulatedTime += m_step;
    m_lastTime = t;
  }
  float GetSpeed() const { return GetResult(); }
  float GetStep() const { return m_step; }
  float GetAccumulatedTime() const { return m_accumulatedTime; }
  float GetLastTime() const { return m_lastTime; }
  // Starts the clock again from zero.
  void ResetClock() {
    m_step = 0.0f;
    m_accumulatedTime = 0.0f;
    m_lastTime = 0.0f;
  }

private:
  float m_step = 0.0f;
  float m_accumulatedTime = 0.0f;
  float m_lastTime = 0.0f;
};
