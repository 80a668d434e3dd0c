#pragma once
// Shared helpers of the discharge-arc and explosion tests: an explosion that holds
// a recording effect without a resource manager, time lines placed in a phase, the
// seeded noise pairs, and the effect blocks a frame drew.

#include <string>
#include <vector>

#include "objects/sprites/Explosion.h"
#include "render/TimeLine.h"
#include "Sprites2TestSupport.h"
#include "support/FakeEffect.h"

namespace arcs_test {

// An explosion holding `effect` as if Prepare had got it (a reference added).
class HeldExplosion : public DS_ExplosionConstructor {
public:
  void HoldEffect(ID3DXEffect* effect) { m_effect.Set(effect); }
};

// A window-mode time line whose one window runs from 10 s to 40 s, fading in until
// 20 s and out from 30 s; the wrapped time puts it in a phase:
// 5 invisible, 11 fading in at 0.1, 25 visible, 37.5 fading out at 0.25.
inline void PlaceInWindow(DS_TimeLineControl& timeLine, float wrappedTime) {
  timeLine.mode.SetValue(DS_TimeLineControl::kWindows);
  DS_TimeWindow window;
  window.start = 10.0f;
  window.end = 40.0f;
  window.fadeInEnd = 20.0f;
  window.fadeOutStart = 30.0f;
  timeLine.AddWindow(window);
  timeLine.SetWrappedTime(wrappedTime);
}

// Pair k (from 1) of the seeded noise sequence: rand[0, 1] twice after srand(seed),
// k times over. The generator is seeded again afterwards.
inline D3DXVECTOR2 SeededPair(unsigned int seed, int k) {
  const std::vector<int> draws = sprites2_test::SeededDraws(seed, 2 * k);
  return D3DXVECTOR2(sprites2_test::Between(draws[size_t(2 * k - 2)], 0.0f, 1.0f),
                     sprites2_test::Between(draws[size_t(2 * k - 1)], 0.0f, 1.0f));
}

// One draw of an effect: the technique, the parameters set since the previous
// draw (names in order, with their values) and the passes it ran.
struct EffectBlock {
  std::string technique;
  std::vector<std::string> names;
  std::vector<FakeEffect::ParamSet> sets;
  int passes = 0;

  const FakeEffect::ParamSet* Find(const std::string& name) const {
    for (auto it = sets.rbegin(); it != sets.rend(); ++it) {
      if (it->name == name) return &*it;
    }
    return nullptr;
  }
};

// The effect's record cut into draws at each End; sets after the last End are
// dropped.
inline std::vector<EffectBlock> Blocks(const FakeEffect& effect) {
  std::vector<EffectBlock> blocks;
  EffectBlock current;
  size_t nextSet = 0;
  for (const std::string& event : effect.Events()) {
    if (event.compare(0, 13, "SetTechnique ") == 0) {
      current.technique = event.substr(13);
    } else if (event.compare(0, 4, "Set ") == 0 && nextSet < effect.ParamSets().size()) {
      current.names.push_back(event.substr(4));
      current.sets.push_back(effect.ParamSets()[nextSet++]);
    } else if (event.compare(0, 10, "BeginPass ") == 0) {
      ++current.passes;
    } else if (event == "End") {
      blocks.push_back(current);
      const std::string technique = current.technique;
      current = EffectBlock();
      current.technique = technique;  // a technique stays set until changed
    }
  }
  return blocks;
}

}  // namespace arcs_test
