#include "objects/particles/PathPoint.h"

namespace {

// Least stored size of one point: three floats.
const size_t kPointBytes = 12;

}  // namespace

DS_PathPoint MakePathPoint(const D3DXVECTOR3& position) {
  DS_PathPoint pathPoint;
  pathPoint.position = DS_SharedRef<MediaParamT<D3DXVECTOR3>>(new MediaParamT<D3DXVECTOR3>(position));
  return pathPoint;
}

DS_PathPoint ReadPathPoint(DS_IOF_Virtual& stream) {
  D3DXVECTOR3 point(0.0f, 0.0f, 0.0f);
  stream.ReadFloat(point.x);
  stream.ReadFloat(point.y);
  stream.ReadFloat(point.z);
  return MakePathPoint(point);
}

void ReadPathPointList(DS_IOF_Virtual& stream, std::vector<DS_PathPoint>& path) {
  int count = 0;
  stream.ReadInt(count);
  if (!stream.CheckCount(count, kPointBytes)) return;
  for (int i = 0; i < count && !stream.Failed(); ++i) path.push_back(ReadPathPoint(stream));
}

void WritePathPointList(DS_IOF_Virtual& stream, const std::vector<DS_PathPoint>& path) {
  stream.WriteInt(static_cast<int>(path.size()));
  for (const DS_PathPoint& point : path) {
    const D3DXVECTOR3 value = point.position ? point.position->GetValue() : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    stream.WriteFloat(value.x);
    stream.WriteFloat(value.y);
    stream.WriteFloat(value.z);
  }
}
