#include "render/SceneMapping.h"

int g_SceneWidth = 0;
int g_SceneHeight = 0;
