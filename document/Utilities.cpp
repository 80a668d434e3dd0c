#include "document/Utilities.h"

#include <cmath>
#include <cstdlib>
#include <limits>

float RandomFloat(float min, float max) {
  return min + static_cast<float>(std::rand()) / 32767.0f * (max - min);
}

int SaturateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  if (value <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

int CountToInt(unsigned count) {
  return static_cast<int>(count < kMaxDocumentCount ? count : kMaxDocumentCount);
}

int RoundToInt(float value) {
  // nearbyint follows the current rounding mode: to nearest, halves to even.
  return SaturateToInt(std::nearbyint(static_cast<double>(value)));
}

ds_string GetFileNameFromPath(const ds_string& path) {
  size_t last = path.find_last_of(L"\\/:");
  if (last == ds_string::npos) return path;
  return path.substr(last + 1);
}

bool IsSafeFileName(const ds_string& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  return name.find_first_of(L"\\/:") == ds_string::npos;
}
