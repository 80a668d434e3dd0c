#include "objects/brushes/BackgroundCopy.h"

#include "document/ClassRegistry.h"
#include "document/FieldIO.h"
#include "render/ABRender.h"

namespace {

IOF_Virtual_ReaderT<DS_BackgroundCopy> s_backgroundCopyReader(L"DS_BackgroundCopy");

const char kParamOffset[] = "offset";

// The copy offset as a fraction of the picture size; 0 for a picture without size.
float PictureFraction(int offset, unsigned pictureSize) {
  return pictureSize != 0 ? float(offset) / float(pictureSize) : 0.0f;
}

}  // namespace

DS_BackgroundCopy::DS_BackgroundCopy() : wrapY(0), wrapX(0) {
  effectLink.StoreKey(DS_HLSLEffectFile(kDefaultEffectId, kEffectModule).GetKey());
}

template <class IO>
void DS_BackgroundCopy::Fields(IO& io, int version) {
  io.Part(sourceRect);
  io.Long(wrapY);
  io.Long(wrapX);
}

void DS_BackgroundCopy::Read(DS_IOF_Handle& handle, int version) {
  ReadFields(*handle, *this, version);
  ReadSection(handle);
}

void DS_BackgroundCopy::Write(DS_IOF_Virtual& stream) const {
  WriteLevelHeader(stream, L"DS_BackgroundCopy", kRecordVersion);
  WriteFields(stream, *this, kRecordVersion);
  WriteLevel(stream);
}

void DS_BackgroundCopy::Render(DS_ABRender* layer) {
  if (!layer || !m_effect) return;
  float ox = PictureFraction(sourceRect.Extra1().GetValue(), layer->GetPictureWidth());
  float oy = PictureFraction(sourceRect.Extra2().GetValue(), layer->GetPictureHeight());
  if (wrapY.GetValue() != 0) oy += 1.0f;
  if (wrapX.GetValue() != 0) ox += 1.0f;
  const float offset[2] = {ox, oy};
  SetFloats(kParamOffset, offset, 2);
  ApplyCommonParameters(layer);
}
