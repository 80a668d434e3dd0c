#pragma once
// The two process-wide pointers through which every drawing function reaches the
// device and the view context of the monitor being drawn. The host switches them
// whenever another render unit becomes current; nothing here owns them, and nothing
// may keep a copy of them across a switch.

struct IDirect3DDevice9;
class DS_ViewContext;

extern IDirect3DDevice9* g_CurrentDevice;
extern DS_ViewContext* g_CurrentViewContext;
