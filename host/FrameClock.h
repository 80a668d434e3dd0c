#pragma once
// The clock behind the scene time: seconds since the saver started drawing, read once
// per frame. It counts with the performance counter, or in milliseconds when the
// machine has none. The time source is separate so tests can drive it.

#include <windows.h>

class DS_TimeSource {
public:
  virtual ~DS_TimeSource() = default;
  // Counts per second of Counter(); false when there is no high-resolution counter.
  virtual bool Frequency(LONGLONG& perSecond);
  virtual LONGLONG Counter();
  virtual DWORD Milliseconds();

  static DS_TimeSource* System();
};

class DS_FrameClock {
public:
  explicit DS_FrameClock(DS_TimeSource* source = DS_TimeSource::System()) : m_source(source) {}
  void SetSource(DS_TimeSource* source) { m_source = source; m_checked = false; }

  // Sets the base to now: the app time starts at 0.
  void Start();
  // Seconds since Start and since the previous reading.
  void Read(float& appTime, float& elapsedTime);
  // Seconds since Start, leaving the previous reading as it is.
  float Peek();

private:
  LONGLONG Now();

  DS_TimeSource* m_source;
  bool m_checked = false;
  bool m_hasCounter = false;
  LONGLONG m_perSecond = 1000;
  LONGLONG m_base = 0;
  LONGLONG m_last = 0;
  // The millisecond clock wraps after 49 days; its steps are added up instead.
  DWORD m_lastMilliseconds = 0;
  LONGLONG m_milliseconds = 0;
};
