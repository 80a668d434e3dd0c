#pragma once
// A transform node: local and world matrices, the bounding sphere of the mesh it
// carries, an optional animator that computes its world matrix, and child frames that
// follow it. Frames form the trees of the 3D objects; the frame owns its animator but
// not its children, whose owner deletes them before the parent.
//
// Frames move but do not copy: a copy would share the animator and both would delete
// it. Moving hands the animator over.

#include <memory>
#include <vector>

#include <d3dx9math.h>

#include "render/AnimationBase.h"

class DS_Frame {
public:
  struct Bounds {
    float radius = 0;
    D3DXVECTOR3 centre{0, 0, 0};
  };

  DS_Frame();
  DS_Frame(const DS_Frame&) = delete;
  DS_Frame& operator=(const DS_Frame&) = delete;
  DS_Frame(DS_Frame&&) noexcept = default;
  DS_Frame& operator=(DS_Frame&&) noexcept = default;
  ~DS_Frame() = default;

  // World := the animator's result, or the local matrix; then times the parent's world
  // when one is given; then every child in order, under the new world.
  void UpdateWorld(const D3DXMATRIX* parent);
  // A new frame appended to the children, with this frame's bounding data. The caller
  // owns it and deletes it before this frame.
  DS_Frame* AddChild();

  // Takes ownership of the animator (replacing and deleting any previous one).
  void SetController(DS_AnimationBase* controller) { m_controller.reset(controller); }
  DS_AnimationBase* GetController() const { return m_controller.get(); }

  Bounds bounds;
  D3DXMATRIX world;
  D3DXMATRIX local;
  // Set: the mesh draw culls counter-clockwise faces; clear: clockwise faces.
  BYTE cullCounterClockwise = 1;
  std::vector<DS_Frame*> children;

private:
  std::unique_ptr<DS_AnimationBase> m_controller;
};
