#include "render/Frame.h"

DS_Frame::DS_Frame() {
  D3DXMatrixIdentity(&world);
  D3DXMatrixIdentity(&local);
}

void DS_Frame::UpdateWorld(const D3DXMATRIX* parent) {
  if (m_controller) {
    m_controller->Animate(*this);
  } else {
    world = local;
  }
  if (parent) D3DXMatrixMultiply(&world, &world, parent);
  for (DS_Frame* child : children) {
    if (child) child->UpdateWorld(&world);
  }
}

DS_Frame* DS_Frame::AddChild() {
  DS_Frame* child = new DS_Frame();
  child->bounds = bounds;
  children.push_back(child);
  return child;
}
