#include "objects/sprites/Discharges.h"

#include <cstdlib>

#include "document/ClassRegistry.h"
#include "document/Item.h"

namespace {

IOF_Virtual_ReaderT<DS_DischargeConstructor> s_dischargeReader(L"DS_DischargeConstructor");

}  // namespace

void DS_DischargeConstructor::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_DischargeConstructor", kRecordVersion);
  DS_StatObjConstructor::Write(stream);
}

void DS_DischargeConstructor::Read(DS_IOF_Handle& handle, int version) {
  const int sectionVersion = ReadLevelHeader(*handle);
  DS_StatObjConstructor::Read(handle, sectionVersion);
}

DS_ParticleSystemCtrl* DS_DischargeConstructor::Clone() const { return new DS_DischargeConstructor(*this); }

int DS_DischargeConstructor::NextFrame(int frame) const {
  const unsigned int count = GetFrameCount();
  if (count < 2) return frame;
  int r = frame;
  while (r == frame) r = static_cast<int>(static_cast<unsigned int>(std::rand()) % count);
  return r;
}
