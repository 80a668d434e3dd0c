#pragma once
// When a scene item is visible and how it fades in and out. Every scene item owns one
// DS_TimeLineControl (created and deleted by the item); the run-time object advances
// it once a frame and gets back its local time, and the drawing code asks it for the
// current opacity and phase.
//
// Three modes: 0 always visible; 1 a cycle of appearance states (invisible, fading
// in, visible, fading out) whose lengths are drawn from stored ranges; 2 explicit
// windows laid on the slide's wrapped time. Times are float seconds; stored durations
// are unsigned hundredths of a second.

#include <memory>
#include <set>
#include <vector>

#include "document/Item.h"
#include "document/MediaParam.h"
#include "document/ScaledParams.h"

class DS_TimeLineControl;

// The phase numbers that GetPhase hands out; they are the kinds of the states.
enum DS_AppearancePhase {
  kPhaseVisible = 0,
  kPhaseInvisible = 1,
  kPhaseFadingIn = 2,
  kPhaseFadingOut = 3,
};

// Opacity as every caller may use it: within 0..1, NaN as 0, so nothing downstream
// converts a negative or undefined value to a byte.
float ClampOpacity(float opacity);

// A length in hundredths of a second drawn at random from lo..hi, or lo when random
// is cleared. The random flag is not stored; item classes that want a fixed length
// clear it in their constructors.
class DS_TimeRange {
public:
  DS_TimeRange();
  DS_TimeRange(const DS_TimeRange& other);
  DS_TimeRange& operator=(const DS_TimeRange&) = delete;

  // Seconds: (rand() mod (hi - lo + 1) + lo) x 0.01, or lo x 0.01. A range with
  // hi < lo (never written by the authoring tool) answers lo.
  float Pick() const;

  MediaParamT<unsigned int> lo;
  MediaParamT<unsigned int> hi;
  bool random = true;
};

// An explicit window in seconds of wrapped slide time:
// start <= fade-in end <= fade-out start <= end in a well-formed window.
struct DS_TimeWindow {
  float start = 0.0f;
  float end = 0.0f;
  float fadeInEnd = 0.0f;
  float fadeOutStart = 0.0f;

  // Opacity and phase of the window's envelope at t.
  float GetAlpha(float t) const;
  int GetPhase(float t) const;
};

// Windows ordered by time: a before b when a ends before b starts. Overlapping or
// touching windows compare equal, so the window set keeps the first one inserted.
struct DS_TimeWindowOrder {
  bool operator()(const DS_TimeWindow& a, const DS_TimeWindow& b) const { return a.end < b.start; }
};

typedef std::set<DS_TimeWindow, DS_TimeWindowOrder> DS_TimeWindowSet;

// One appearance state of the mode-1 cycle. The base is the visible state.
class AnimationState {
public:
  virtual ~AnimationState() = default;
  virtual float GetAlpha(float t) const { return 1.0f; }
  // Entered at t: fixes the state's end (and, for fades, its start).
  virtual void Enter(float t, const DS_TimeLineControl& timeLine);
  virtual int GetKind() const { return kPhaseVisible; }

  float endTime = 0.0f;
};

class AnimationState_Invisible : public AnimationState {
public:
  float GetAlpha(float t) const override { return 0.0f; }
  void Enter(float t, const DS_TimeLineControl& timeLine) override;
  int GetKind() const override { return kPhaseInvisible; }
};

// A fade of length 0 has no ramp: fade-in answers 1, fade-out 0.
class AnimationState_FadeIn : public AnimationState {
public:
  float GetAlpha(float t) const override;
  void Enter(float t, const DS_TimeLineControl& timeLine) override;
  int GetKind() const override { return kPhaseFadingIn; }

  float startTime = 0.0f;
};

class AnimationState_FadeOut : public AnimationState {
public:
  float GetAlpha(float t) const override;
  void Enter(float t, const DS_TimeLineControl& timeLine) override;
  int GetKind() const override { return kPhaseFadingOut; }

  float startTime = 0.0f;
};

// The appearance states of mode 1 and the item's local clock. Owned by the time line;
// not stored in the document.
class DS_AnimationStateMachine {
public:
  DS_AnimationStateMachine();
  DS_AnimationStateMachine(const DS_AnimationStateMachine&) = delete;
  DS_AnimationStateMachine& operator=(const DS_AnimationStateMachine&) = delete;

  // Machine and local time 0, every end time 0, current state invisible.
  void Reset();
  // Moves to the next state (at most one) when t is past the current state's end.
  void Advance(float t, const DS_TimeLineControl& timeLine);

  const AnimationState& Current() const { return *m_states[m_current]; }
  int CurrentIndex() const { return m_current; }
  const AnimationState& State(int index) const { return *m_states[index]; }

  float machineTime = 0.0f;
  float localTime = 0.0f;

  // Positions in the cycle.
  enum { kInvisible = 0, kFadeIn = 1, kVisible = 2, kFadeOut = 3, kStateCount = 4 };

private:
  AnimationState_Invisible m_invisible;
  AnimationState_FadeIn m_fadeIn;
  AnimationState m_visible;
  AnimationState_FadeOut m_fadeOut;
  AnimationState* m_states[kStateCount];
  int m_current = kInvisible;
};

class DS_TimeLineControl : public DS_IOF_Item {
public:
  enum Mode { kAlwaysVisible = 0, kCycle = 1, kWindows = 2 };
  // The time mode in which the local clock runs at the speed of the opacity.
  static const int kTimeModeFollowOpacity = 2;
  static const int kRecordVersion = 1;

  DS_TimeLineControl();
  // Copies the settings and windows; the copy starts its cycle afresh (new state
  // machine, wrapped time 0).
  DS_TimeLineControl(const DS_TimeLineControl& other);
  DS_TimeLineControl& operator=(const DS_TimeLineControl&) = delete;
  ~DS_TimeLineControl() override;

  // Takes the other time line's settings and windows, the parameters with
  // notification; the cycle in progress and the wrapped time stay.
  void AssignSettings(const DS_TimeLineControl& other);

  // The "DS_TimeLineControl" record after its header (the version is ignored).
  void Read(DS_IOF_Handle& handle, int version);
  // What the reader takes in values first: the fades, assigned with notification, and
  // the windows, each added through AddWindow.
  struct StoredValues {
    unsigned int fadeIn = 0;
    unsigned int fadeOut = 0;
    std::vector<DS_TimeWindow> windows;
  };
  template <class IO>
  void Fields(IO& io, int version, StoredValues& stored);
  void Write(DS_IOF_Virtual& stream) const override;

  // Inserts a window unless it is malformed (non-finite, or ending before it
  // starts) or overlaps/touches one already in the set. Inner times are clamped into
  // the window. True when the window was added.
  bool AddWindow(const DS_TimeWindow& window);

  float GetAlpha() const;
  int GetPhase() const;
  float GetCycleLength() const;

  // The per-frame step at scene time t; returns the local time.
  float AdvanceLocalTime(float t);
  void ResetStates() { m_machine->Reset(); }

  void SetWrappedTime(float t) { m_wrappedTime = t; }
  float GetWrappedTime() const { return m_wrappedTime; }

  float FadeInSeconds() const { return fadeIn.GetResult(); }
  float FadeOutSeconds() const { return fadeOut.GetResult(); }

  const DS_TimeWindowSet& Windows() const { return m_windows; }
  const DS_AnimationStateMachine& Machine() const { return *m_machine; }
  DS_AnimationStateMachine& Machine() { return *m_machine; }

  // Time lines alive in the process; items own theirs, so this returns to zero when
  // every item is gone.
  static int LiveCount();

  MediaParamT<int> mode;
  MediaParamT<int> timeMode;
  DS_TimeRange hidden;
  DS_TimeRange shown;
  TimeParam fadeIn;
  TimeParam fadeOut;

private:
  // The window that covers t or starts within three seconds after it, or null.
  const DS_TimeWindow* FindWindow(float t) const;
  // Opacity of the current appearance state at the machine time (1 in mode 0).
  float StateAlpha() const;

  DS_TimeWindowSet m_windows;
  float m_wrappedTime = 0.0f;
  std::unique_ptr<DS_AnimationStateMachine> m_machine;
};

// The per-frame step of a time line: advances its machine to scene time t and
// returns the item's local time.
float AdvanceLocalTime(DS_TimeLineControl& timeLine, float t);
