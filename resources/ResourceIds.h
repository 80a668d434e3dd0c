#pragma once
// Ids of the saver's own resources, shared by the resource script and the code.
// The resource script includes this file too, so it holds #defines only.

#define IDI_SAVER_ICON 101

// Splash picture, custom resource type "DDS".
#define IDR_SPLASH_PICTURE 5
// The scene document, custom resource type "DDS" (in scene.rc).
#define IDR_SCENE_DOCUMENT 107

#define IDS_WINDOW_TITLE 1000

// Error messages.
#define IDS_ERR_GENERIC 2100
#define IDS_ERR_NODIRECT3D 2101
#define IDS_ERR_INIT 2102
#define IDS_ERR_CREATEDEVICE 2103
#define IDS_ERR_NOCOMPATIBLEDEVICES 2104
#define IDS_ERR_NOHARDWAREDEVICE 2105
#define IDS_ERR_HALNOTCOMPATIBLE 2106
#define IDS_ERR_HALNOTCOMPATIBLEDESKTOP 2107
#define IDS_ERR_MEDIANOTFOUND 2108
#define IDS_ERR_RESETFAILED 2109
#define IDS_ERR_OUTOFMEMORY 2110
#define IDS_ERR_OUTOFVIDEOMEMORY 2111
#define IDS_ERR_NOPREVIEW 2112

// Display-settings texts: adapter help (2200-2209) and rendering line (2210-2212).
#define IDS_INFO_FIRST 2200
#define IDS_INFO_LAST 2209
#define IDS_RENDERING_HARDWARE 2210
#define IDS_RENDERING_SOFTWARE 2211
#define IDS_RENDERING_NONE 2212
