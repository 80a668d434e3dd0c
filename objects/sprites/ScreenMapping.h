#pragma once
// The mapping from back-buffer pixels to scene pixels: the inverse of how the
// view context lays the scene out on the screen. Hit tests of rectangles and
// text links use it (MediaRectangle::Contains is defined with it).

#include <d3dx9math.h>

struct DS_ScreenQuad;

// The scene point under (x, y) of a screen on which `quad` is the fitted
// picture (corners left-bottom, left-top, right-bottom, right-top), undoing the
// current view context's fit zoom; z is kept. A quad without width (height)
// maps every x (y) to the scene's left (top) edge, and without a view context
// no zoom is undone.
D3DXVECTOR3 MapScreenPointToScene(const DS_ScreenQuad& quad, float x, float y, float z);

// Whether a quad has an extent to map through.
bool CanMapThrough(const DS_ScreenQuad& quad);

// The scene point under the window point (x, y): scaled to the back buffer, then
// mapped through the published picture (z 0). False, and `scene` untouched, while no
// layer has published a picture to map through.
bool MapWindowPointToScene(float x, float y, D3DXVECTOR3& scene);

// The fitted picture in back-buffer pixels that the layer sized last published
// (with g_SceneWidth and g_SceneHeight the scene mapping).
const DS_ScreenQuad& GetPictureQuad();
