#include "objects/particles/PathPoint.h"

#include "document/FieldIO.h"

namespace {

// Least stored size of one point: three floats.
const size_t kPointBytes = 12;

// The list as the record holds it: a count, then each point's position.
template <class IO>
void PathPointFields(IO& io, std::vector<D3DXVECTOR3>& positions) {
  io.List(positions, kPointBytes, [](IO& item, D3DXVECTOR3& position) { item.Vector(position); });
}

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
  std::vector<D3DXVECTOR3> positions;
  DS_FieldReader io(stream);
  PathPointFields(io, positions);
  for (const D3DXVECTOR3& position : positions) path.push_back(MakePathPoint(position));
}

void WritePathPointList(DS_IOF_Virtual& stream, const std::vector<DS_PathPoint>& path) {
  std::vector<D3DXVECTOR3> positions;
  for (const DS_PathPoint& point : path)
    positions.push_back(point.position ? point.position->GetValue() : D3DXVECTOR3(0.0f, 0.0f, 0.0f));
  DS_FieldWriter io(stream);
  PathPointFields(io, positions);
}
