#pragma once
// A point of the path generators, shared by reference between them: the position
// parameter sits in a counted cell, so copies of a path point move together. A second
// counted reference is carried along empty; no operation of the saver sets it.

#include <d3dx9math.h>

#include <vector>

#include "document/Item.h"
#include "document/MediaParam.h"
#include "document/Stream.h"

struct DS_PathPoint {
  DS_SharedRef<MediaParamT<D3DXVECTOR3>> position;
  DS_SharedRef<MediaParamT<D3DXVECTOR3>> reserved;
};

// A point with a new position parameter of that value and an empty second reference.
DS_PathPoint MakePathPoint(const D3DXVECTOR3& position);
// Three floats x, y, z: MakePathPoint of them.
DS_PathPoint ReadPathPoint(DS_IOF_Virtual& stream);

// The point list of a path generator's record: int32 count, then count x three floats.
// Appends to `path`; a count the stream cannot hold fails the stream and reads nothing.
void ReadPathPointList(DS_IOF_Virtual& stream, std::vector<DS_PathPoint>& path);
// Each point's current position (a point without one as the scene origin).
void WritePathPointList(DS_IOF_Virtual& stream, const std::vector<DS_PathPoint>& path);
