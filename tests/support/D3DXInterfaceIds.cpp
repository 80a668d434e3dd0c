// The interface ids of the D3DX effect interfaces, which no platform library exports
// whole: the effect fakes answer QueryInterface with them. Defined as select-any data,
// so another definition elsewhere does not clash.
#include <initguid.h>

#include <d3dx9effect.h>
