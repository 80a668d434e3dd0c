#include "host/FrameClock.h"

#include <mmsystem.h>

bool DS_TimeSource::Frequency(LONGLONG& perSecond) {
  LARGE_INTEGER f;
  if (!QueryPerformanceFrequency(&f) || f.QuadPart <= 0) return false;
  perSecond = f.QuadPart;
  return true;
}

LONGLONG DS_TimeSource::Counter() {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return c.QuadPart;
}

DWORD DS_TimeSource::Milliseconds() { return timeGetTime(); }

DS_TimeSource* DS_TimeSource::System() {
  static DS_TimeSource s_system;
  return &s_system;
}

LONGLONG DS_FrameClock::Now() {
  if (m_hasCounter) return m_source->Counter();
  const DWORD now = m_source->Milliseconds();
  m_milliseconds += (DWORD)(now - m_lastMilliseconds);
  m_lastMilliseconds = now;
  return m_milliseconds;
}

void DS_FrameClock::Start() {
  if (!m_checked) {
    m_checked = true;
    LONGLONG perSecond = 0;
    m_hasCounter = m_source->Frequency(perSecond) && perSecond > 0;
    m_perSecond = m_hasCounter ? perSecond : 1000;
    m_lastMilliseconds = m_source->Milliseconds();
  }
  m_base = Now();
  m_last = m_base;
}

float DS_FrameClock::Peek() { return (float)((double)(Now() - m_base) / (double)m_perSecond); }

void DS_FrameClock::Read(float& appTime, float& elapsedTime) {
  LONGLONG now = Now();
  appTime = (float)((double)(now - m_base) / (double)m_perSecond);
  elapsedTime = (float)((double)(now - m_last) / (double)m_perSecond);
  m_last = now;
}
