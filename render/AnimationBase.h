#pragma once
// The animator a frame may own: it computes the frame's world matrix (before the
// parent's matrix is applied) whenever the frame tree is updated. The character
// animators of the 3D objects derive from it; the owning frame deletes it.

class DS_Frame;

class DS_AnimationBase {
public:
  virtual ~DS_AnimationBase() = default;
  // Computes `frame`'s world matrix from its local matrix.
  virtual void Animate(DS_Frame& frame) = 0;
  virtual void SetTime(float time) { m_time = time; }

protected:
  float m_time = 0;
};
