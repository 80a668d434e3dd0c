#pragma once
// A discharge: a static sprite whose strip picture jumps between random frames,
// never showing the same frame twice in a row.

#include "objects/sprites/StaticSprite.h"

class DS_DischargeConstructor : public DS_StatObjConstructor {
public:
  static const int kRecordVersion = 1;

  DS_DischargeConstructor() = default;
  DS_DischargeConstructor(const DS_DischargeConstructor& other) = default;

  // No fields of its own: the header, then the "DS_StatObjConstructor" section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // A random frame other than `frame`; with fewer than two frames there is no
  // other one and the frame is kept.
  int NextFrame(int frame) const override;
};
