#include "host/CommandLine.h"

#include <cstdint>

namespace {

// Window handles are 32-bit values even in a 64-bit process; ten digits hold any.
const int kMaxHandleDigits = 10;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

const wchar_t* SkipProgramName(const wchar_t* p) {
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p == L'"') ++p;
    return p;
  }
  while (*p && *p != L' ') ++p;
  if (*p == L' ') ++p;
  return p;
}

// The decimal handle after a switch: non-digits are skipped, then the digits are read.
HWND ReadWindowHandle(const wchar_t* p) {
  while (*p && !IsDigit(*p)) ++p;
  uint64_t value = 0;
  int digits = 0;
  while (IsDigit(*p)) {
    if (++digits > kMaxHandleDigits) return nullptr;
    value = value * 10 + (*p - L'0');
    ++p;
  }
  if (digits == 0 || value > UINT32_MAX) return nullptr;
  // The handle was read as a signed 32-bit number; handles sign-extend the same way.
  return (HWND)(intptr_t)(int32_t)(uint32_t)value;
}

}  // namespace

DS_CommandLine ParseSaverCommandLine(const wchar_t* text) {
  DS_CommandLine result = {kModeConfigure, nullptr};
  if (!text) return result;
  const wchar_t* p = SkipProgramName(text);
  while (*p && *p != L'/' && *p != L'-') ++p;
  if (!*p) return result;
  ++p;
  switch (*p) {
    case L'c': case L'C': result.mode = kModeConfigure; break;
    case L'p': case L'P': result.mode = kModePreview; break;
    case L't': case L'T': result.mode = kModeTestWindow; break;
    case L'a': case L'A': result.mode = kModeChangePassword; break;
    case L'r': case L'R': result.mode = kModeNoAction; break;
    default: result.mode = kModeFullScreen; return result;
  }
  if (result.mode == kModeConfigure || result.mode == kModePreview ||
      result.mode == kModeChangePassword) {
    result.window = ReadWindowHandle(p + 1);
  }
  return result;
}
