#pragma once
// The background-copy brush: paints, inside its mask, the scene as it lies at an
// offset, so that a part of the picture shows a second time elsewhere.

#include "document/CompositeParams.h"
#include "objects/brushes/EffectBrush.h"

class DS_BackgroundCopy : public DS_FX_Constructor {
public:
  static const int kRecordVersion = 1;
  static const int kDefaultEffectId = 75;

  DS_BackgroundCopy();
  DS_BackgroundCopy(const DS_BackgroundCopy& other) = default;
  DS_BackgroundCopy& operator=(const DS_BackgroundCopy&) = delete;

  // The "DS_BackgroundCopy" fields after the header, then the "DS_FX_Constructor" level.
  void Read(DS_IOF_Handle& handle, int version);
  void Write(DS_IOF_Virtual& stream) const override;
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);

  void Render(DS_ABRender* layer) override;
  DS_FX_Constructor* Clone() override { return new DS_BackgroundCopy(*this); }

  // Its two further values are the copy offset in scene pixels (x, y); the edges are
  // stored only.
  MediaRectangle sourceRect;
  MediaParamT<int> wrapY;
  MediaParamT<int> wrapX;
};
