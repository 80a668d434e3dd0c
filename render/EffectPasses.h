#pragma once
// The one pass loop of every effect draw: Begin, each pass of the effect's current
// technique with the draw inside, End.

#include <d3dx9.h>

#include "render/DeviceStates.h"

// An effect that reports more passes than any real technique has is drawn with this
// many: a document's effect must not stall the frame.
constexpr UINT kMaxEffectPasses = 64;

// Runs `draw` inside every pass (at most kMaxEffectPasses); a pass that cannot begin
// is skipped, an effect that cannot begin draws nothing. The passes set states behind
// the state cache, which is forgotten once they have run.
template <class Draw>
void RunEffectPasses(ID3DXEffect* effect, Draw draw) {
  if (!effect) return;
  UINT passes = 0;
  if (FAILED(effect->Begin(&passes, 0))) return;
  if (passes > kMaxEffectPasses) passes = kMaxEffectPasses;
  for (UINT pass = 0; pass < passes; ++pass) {
    if (FAILED(effect->BeginPass(pass))) continue;
    draw();
    effect->EndPass();
  }
  effect->End();
  ForgetDeviceStates();
}
