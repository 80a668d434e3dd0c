#include "device/ResourceLookup.h"

DS_ResourceLookup* g_ResourceLookup = nullptr;

DS_TextureSet* LookupTextureSet(const DS_ImageFileLink& link) {
  return g_ResourceLookup ? g_ResourceLookup->GetTextureSet(link) : nullptr;
}

DS_TextureSet* LookupAddOnTextureSet(const DS_ImageFileLink& link) {
  return g_ResourceLookup ? g_ResourceLookup->GetAddOnTextureSet(link) : nullptr;
}

bool LookupMesh(const DS_FileLink3& link, int vertexStride, DS_MeshBuffers& out) {
  out = DS_MeshBuffers{};
  if (!g_ResourceLookup) return false;
  if (!g_ResourceLookup->GetMesh(link, vertexStride, out)) {
    out = DS_MeshBuffers{};
    return false;
  }
  return true;
}

void ReadyTexturePixels(IDirect3DTexture9* texture) {
  if (g_ResourceLookup && texture) g_ResourceLookup->ReadPixelsOf(texture);
}
