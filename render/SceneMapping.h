#pragma once
// The scene mapping: the picture size of the layer sized last. Every object rectangle
// is given in this pixel space (y grows downwards). Process-wide; written only when
// a layer publishes its mapping, read by every object that places itself on the
// picture. Both are 0 until a layer has been sized.

extern int g_SceneWidth;
extern int g_SceneHeight;
