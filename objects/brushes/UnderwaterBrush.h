#pragma once
// The underwater brush: makes its region ripple as if seen through water. It lives
// only inside the underwater layer, which reads it from its own record, prepares,
// updates and draws it itself; no document names it as an item of its own, so it has
// no registered reader.

#include <memory>

#include "document/ScaledParams.h"
#include "objects/brushes/EffectBrush.h"

class DS_UnderwaterFX : public DS_FX_Constructor {
public:
  static const int kRecordVersion = 1;
  static const int kDefaultEffectId = 88;

  DS_UnderwaterFX();
  DS_UnderwaterFX(const DS_UnderwaterFX& other) = default;
  // The base level (time line settings included), then the two values with their
  // scales, with notification.
  DS_UnderwaterFX& operator=(const DS_UnderwaterFX& other);

  // A whole "DS_UnderwaterFX" section (its header is neither compared nor used) into
  // a new brush with the defaults for whatever the section does not hold.
  static std::unique_ptr<DS_UnderwaterFX> CreateFromSection(DS_IOF_Handle& handle);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  // "frequency", "amplitude" and "time", then the common tail over the layer quad.
  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_UnderwaterFX(*this); }

  // Ripple strength; not faded by the time line.
  UINTSclaleTo<float> amplitude;
  // Ripple length; the effect's "frequency" is its inverse.
  UINTSclaleTo<float> period;
};
