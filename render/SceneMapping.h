#pragma once
// The scene mapping: how the picture of the layer sized last lies on the back buffer.
// Every object rectangle is given in the picture's pixel space (g_SceneWidth x
// g_SceneHeight, y grows downwards); the fitted picture quad and the back-buffer scale
// take it to the screen, and MapWindowPointToScene takes a window point back to it.
// Process-wide: written only by PublishSceneMapping when a layer is sized, read by
// every object that places itself on the picture. The sizes are 0 and the quad empty
// until a layer has been sized.
//
// The process-wide values a draw may read; nothing else is reached from below the
// slide show (anything more is handed down by the caller):
//   g_CurrentDevice, g_CurrentViewContext   the device and the view of the monitor
//                                           being drawn (device/DeviceGlobals.h)
//   g_CurrentDocResManager                  the resources of the scene being drawn
//                                           (document/DocResManager.h); its pictures
//                                           through LookupTextureSet and its meshes
//                                           through LookupMesh (device/ResourceLookup.h),
//                                           its cache as g_ResourceCache; the three are
//                                           selected together
//   g_SceneWidth, g_SceneHeight,            this mapping, and the render-size stack of
//   g_BackBufferScaleX, g_BackBufferScaleY, the off-screen targets open through
//   g_PictureQuad                           DS_ABRender::BeginTarget
//   g_AnimationTime                         the local time of the 3D array being
//                                           updated, for its copies' animators
//                                           (objects/mesh3d/Arrays3DIn2D.h)
//   rand()                                  the one random sequence every layer and
//                                           object draws from

#include <d3dx9math.h>

#include <vector>

#include "render/ScreenQuad.h"

extern int g_SceneWidth;
extern int g_SceneHeight;
// Back-buffer pixels per layer pixel.
extern float g_BackBufferScaleX;
extern float g_BackBufferScaleY;
// The fitted picture in back-buffer pixels.
extern DS_ScreenQuad g_PictureQuad;

void PublishSceneMapping(unsigned pictureHeight, const DS_ScreenQuad& fittedQuad, int width, int height,
                         unsigned pictureWidth);

// The fitted picture in back-buffer pixels that the layer sized last published.
const DS_ScreenQuad& GetPictureQuad();

// The sizes of the nested off-screen targets: BeginTarget pushes the layer size and
// fit type it replaces, EndTarget pops them.
struct DS_RenderSize {
  int width;
  int height;
  int fitType;
};
std::vector<DS_RenderSize>& GetRenderSizeStack();

// The way back, from back-buffer pixels to scene pixels: the inverse of how the view
// context lays the scene out on the screen. Hit tests of rectangles and text links use
// it (MediaRectangle::Contains is defined with it).

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
