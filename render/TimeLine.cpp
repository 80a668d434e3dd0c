#include "render/TimeLine.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "document/FieldIO.h"

namespace {

// Stored durations are hundredths of a second.
const double kHundredth = 0.01;
const unsigned int kDefaultRange = 100;
const unsigned int kDefaultFade = 50;
// A window is found for t when it starts at most this long after t.
const float kWindowLookAhead = 3.0f;

int g_liveTimeLines = 0;

// Opacity of a linear ramp from `from` to `to`; a ramp of no length answers
// `whenEmpty` instead of dividing zero by zero.
float Ramp(float t, float from, float to, float whenEmpty) {
  float length = to - from;
  if (!(length > 0.0f)) return whenEmpty;
  return (t - from) / length;
}

float ClampInto(float value, float lo, float hi) {
  if (value < lo) return lo;
  if (value > hi) return hi;
  return value;
}

}  // namespace

float ClampOpacity(float opacity) {
  if (!(opacity > 0.0f)) return 0.0f;  // NaN and negatives
  if (opacity > 1.0f) return 1.0f;
  return opacity;
}

// ---- DS_TimeRange ----

DS_TimeRange::DS_TimeRange() : lo(kDefaultRange), hi(kDefaultRange) {}

DS_TimeRange::DS_TimeRange(const DS_TimeRange& other) : lo(other.lo), hi(other.hi), random(other.random) {}

float DS_TimeRange::Pick() const {
  const int64_t low = lo.GetValue();
  const int64_t high = hi.GetValue();
  if (!random || high < low) return static_cast<float>(low * kHundredth);
  // 64 bits: a full 32-bit range must not wrap to a zero divisor.
  const int64_t span = high - low + 1;
  const int64_t picked = static_cast<int64_t>(rand()) % span + low;
  return static_cast<float>(picked * kHundredth);
}

// ---- DS_TimeWindow ----

float DS_TimeWindow::GetAlpha(float t) const {
  if (t < start || t > end) return 0.0f;
  if (t < fadeInEnd) return ClampOpacity(Ramp(t, start, fadeInEnd, 1.0f));
  if (t < fadeOutStart) return 1.0f;
  return ClampOpacity(1.0f - Ramp(t, fadeOutStart, end, 1.0f));
}

int DS_TimeWindow::GetPhase(float t) const {
  if (t < start || t > end) return kPhaseInvisible;
  if (t < fadeInEnd) return kPhaseFadingIn;
  if (t < fadeOutStart) return kPhaseVisible;
  return kPhaseFadingOut;
}

// ---- Appearance states ----

void AnimationState::Enter(float t, const DS_TimeLineControl& timeLine) { endTime = t + timeLine.shown.Pick(); }

void AnimationState_Invisible::Enter(float t, const DS_TimeLineControl& timeLine) {
  endTime = t + timeLine.hidden.Pick();
}

float AnimationState_FadeIn::GetAlpha(float t) const { return ClampOpacity(Ramp(t, startTime, endTime, 1.0f)); }

void AnimationState_FadeIn::Enter(float t, const DS_TimeLineControl& timeLine) {
  startTime = t;
  endTime = t + timeLine.FadeInSeconds();
}

float AnimationState_FadeOut::GetAlpha(float t) const {
  return ClampOpacity(1.0f - Ramp(t, startTime, endTime, 1.0f));
}

void AnimationState_FadeOut::Enter(float t, const DS_TimeLineControl& timeLine) {
  startTime = t;
  endTime = t + timeLine.FadeOutSeconds();
}

// ---- DS_AnimationStateMachine ----

DS_AnimationStateMachine::DS_AnimationStateMachine() {
  m_states[kInvisible] = &m_invisible;
  m_states[kFadeIn] = &m_fadeIn;
  m_states[kVisible] = &m_visible;
  m_states[kFadeOut] = &m_fadeOut;
}

void DS_AnimationStateMachine::Reset() {
  machineTime = 0.0f;
  localTime = 0.0f;
  for (AnimationState* state : m_states) state->endTime = 0.0f;
  m_current = kInvisible;
}

void DS_AnimationStateMachine::Advance(float t, const DS_TimeLineControl& timeLine) {
  if (!(t > m_states[m_current]->endTime)) return;
  m_current = (m_current + 1) % kStateCount;
  m_states[m_current]->Enter(t, timeLine);
}

// ---- DS_TimeLineControl ----

DS_TimeLineControl::DS_TimeLineControl()
    : mode(kAlwaysVisible),
      timeMode(0),
      fadeIn(kDefaultFade),
      fadeOut(kDefaultFade),
      m_machine(new DS_AnimationStateMachine()) {
  ++g_liveTimeLines;
}

DS_TimeLineControl::DS_TimeLineControl(const DS_TimeLineControl& other)
    : DS_IOF_Item(),
      mode(other.mode),
      timeMode(other.timeMode),
      hidden(other.hidden),
      shown(other.shown),
      fadeIn(other.fadeIn),
      fadeOut(other.fadeOut),
      m_windows(other.m_windows),
      m_machine(new DS_AnimationStateMachine()) {
  ++g_liveTimeLines;
}

DS_TimeLineControl::~DS_TimeLineControl() { --g_liveTimeLines; }

void DS_TimeLineControl::AssignSettings(const DS_TimeLineControl& other) {
  if (this == &other) return;
  mode = other.mode;
  timeMode = other.timeMode;
  hidden.lo = other.hidden.lo;
  hidden.hi = other.hidden.hi;
  hidden.random = other.hidden.random;
  shown.lo = other.shown.lo;
  shown.hi = other.shown.hi;
  shown.random = other.shown.random;
  fadeIn = other.fadeIn;
  fadeOut = other.fadeOut;
  m_windows = other.m_windows;
}

int DS_TimeLineControl::LiveCount() { return g_liveTimeLines; }

template <class IO>
void DS_TimeLineControl::Fields(IO& io, int version, StoredValues& stored) {
  io.Int(mode);
  io.Int(timeMode);
  io.UInt(hidden.lo);
  io.UInt(hidden.hi);
  io.UInt(shown.lo);
  io.UInt(shown.hi);
  io.UInt(stored.fadeIn);
  io.UInt(stored.fadeOut);
  io.List(stored.windows, 4 * sizeof(float), [](IO& item, DS_TimeWindow& window) {
    item.Float(window.start);
    item.Float(window.end);
    item.Float(window.fadeInEnd);
    item.Float(window.fadeOutStart);
  });
}

void DS_TimeLineControl::Read(DS_IOF_Handle& handle, int version) {
  StoredValues stored;
  stored.fadeIn = fadeIn.GetValue();
  stored.fadeOut = fadeOut.GetValue();
  ReadFields(*handle, *this, version, stored);
  fadeIn.SetValue(stored.fadeIn);
  fadeOut.SetValue(stored.fadeOut);
  for (const DS_TimeWindow& window : stored.windows) AddWindow(window);
}

void DS_TimeLineControl::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_TimeLineControl", kRecordVersion);
  StoredValues stored;
  stored.fadeIn = fadeIn.GetValue();
  stored.fadeOut = fadeOut.GetValue();
  stored.windows.assign(m_windows.begin(), m_windows.end());
  WriteFields(stream, *this, kRecordVersion, stored);
}

bool DS_TimeLineControl::AddWindow(const DS_TimeWindow& window) {
  // A window out of order would break the ordering of the set, so it is dropped.
  if (!std::isfinite(window.start) || !std::isfinite(window.end) || !std::isfinite(window.fadeInEnd) ||
      !std::isfinite(window.fadeOutStart) || window.end < window.start)
    return false;
  DS_TimeWindow clamped = window;
  clamped.fadeInEnd = ClampInto(window.fadeInEnd, window.start, window.end);
  clamped.fadeOutStart = ClampInto(window.fadeOutStart, window.start, window.end);
  return m_windows.insert(clamped).second;
}

const DS_TimeWindow* DS_TimeLineControl::FindWindow(float t) const {
  DS_TimeWindow key;
  key.start = t;
  key.end = t + kWindowLookAhead;
  key.fadeInEnd = t + 1.0f;
  key.fadeOutStart = t + 2.0f;
  auto found = m_windows.lower_bound(key);
  if (found == m_windows.end() || !(found->start <= key.end)) return nullptr;
  return &*found;
}

float DS_TimeLineControl::StateAlpha() const {
  if (mode.GetValue() == kAlwaysVisible) return 1.0f;
  return ClampOpacity(m_machine->Current().GetAlpha(m_machine->machineTime));
}

float DS_TimeLineControl::GetAlpha() const {
  if (mode.GetValue() == kWindows) {
    const DS_TimeWindow* window = FindWindow(m_wrappedTime);
    return window ? ClampOpacity(window->GetAlpha(m_wrappedTime)) : 0.0f;
  }
  return StateAlpha();
}

int DS_TimeLineControl::GetPhase() const {
  switch (mode.GetValue()) {
    case kAlwaysVisible:
      return kPhaseVisible;
    case kWindows: {
      const DS_TimeWindow* window = FindWindow(m_wrappedTime);
      return window ? window->GetPhase(m_wrappedTime) : kPhaseInvisible;
    }
    default:
      return m_machine->Current().GetKind();
  }
}

float DS_TimeLineControl::GetCycleLength() const {
  if (mode.GetValue() == kWindows) {
    const DS_TimeWindow* window = FindWindow(m_wrappedTime);
    if (window) return window->end - window->start;
  }
  return FadeOutSeconds() + FadeInSeconds() + static_cast<float>(shown.lo.GetValue() * kHundredth);
}

float DS_TimeLineControl::AdvanceLocalTime(float t) {
  DS_AnimationStateMachine& machine = *m_machine;
  float dt = t - machine.machineTime;
  machine.machineTime = t;
  if (mode.GetValue() == kCycle) machine.Advance(t, *this);
  if (timeMode.GetValue() == kTimeModeFollowOpacity) dt *= StateAlpha();
  machine.localTime += dt;
  return machine.localTime;
}

float AdvanceLocalTime(DS_TimeLineControl& timeLine, float t) { return timeLine.AdvanceLocalTime(t); }
