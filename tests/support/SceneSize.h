#pragma once
// The process-wide scene mapping (g_SceneWidth x g_SceneHeight) of one test: as the
// test found it, or set to a size, and restored when the test ends. Header-only:
// only the test programs that link ds_render include it.

#include "render/SceneMapping.h"

namespace ds_test {

class SceneSize {
public:
  SceneSize() : m_width(g_SceneWidth), m_height(g_SceneHeight) {}
  SceneSize(int width, int height) : SceneSize() { Set(width, height); }
  ~SceneSize() {
    g_SceneWidth = m_width;
    g_SceneHeight = m_height;
  }
  SceneSize(const SceneSize&) = delete;
  SceneSize& operator=(const SceneSize&) = delete;

  void Set(int width, int height) {
    g_SceneWidth = width;
    g_SceneHeight = height;
  }

private:
  int m_width;
  int m_height;
};

}  // namespace ds_test
