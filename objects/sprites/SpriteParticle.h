#pragma once
// The record of one sprite of a sprite particle system: where it is, how it
// moves, how its quad is laid out and textured, its opacity and the event times
// its family counts on. Plain data; the sprite geometry owns the records and
// never moves them. The edge tests compare the sprite with its item's area in
// scene pixels.

#include <d3dx9math.h>
#include <windows.h>

class DS_ViewObjCtrl;

struct DS_SpriteParticle {
  // The screen side an edge control is handling the sprite at; none.
  static constexpr int kNoEdge = -1;

  DS_SpriteParticle();

  // Deadline, second timer, delay and timer := 0.
  void ClearTimers();

  // Wholly beyond an edge of the item's area (the half extents taken as
  // positive).
  bool IsOutsideLeft(const DS_ViewObjCtrl& item) const;
  bool IsOutsideRight(const DS_ViewObjCtrl& item) const;
  bool IsOutsideTop(const DS_ViewObjCtrl& item) const;
  bool IsOutsideBottom(const DS_ViewObjCtrl& item) const;
  // Partly beyond an edge (signed half extents: a mirrored sprite tests its
  // other side).
  bool CrossesLeft(const DS_ViewObjCtrl& item) const;
  bool CrossesRight(const DS_ViewObjCtrl& item) const;
  bool CrossesTop(const DS_ViewObjCtrl& item) const;
  bool CrossesBottom(const DS_ViewObjCtrl& item) const;

  // Signs of the flowing sprites' direction; zero for the other families.
  D3DXVECTOR3 direction;
  // Scene pixels per second of control time; the flowing sprites keep a lateral
  // factor in z.
  D3DXVECTOR3 velocity;
  // The centre in scene pixels; z stays 0.
  D3DXVECTOR3 position;
  float sizeFactor = 1.0f;
  // Per-sprite rotation step of the fog; identity for the other families.
  D3DXMATRIX rotation;
  float vTop = 0.0f;
  float vBottom = 1.0f;
  float uLeft = 0.0f;
  float uRight = 1.0f;
  // Half extents in scene pixels; a negative half width mirrors the sprite.
  float halfWidth = 0.0f;
  float halfHeight = 0.0f;
  // Height over width of one image frame.
  float aspect = 1.0f;
  // The directions the quad's width and height are laid out along (shears and
  // mirrors are made with them).
  D3DXVECTOR3 xAxis;
  D3DXVECTOR3 yAxis;
  // Opacity factor 0..1, also the twinkle value.
  float alpha = 1.0f;
  float timer = 0.0f;
  float delay = 0.0f;
  int edgeSide = kNoEdge;
  // Set once an edge control has moved the sprite to the opposite side.
  int respawned = 0;
  float deadline = 0.0f;
  float secondTimer = 0.0f;
  // A hidden sprite does not move (edge pauses).
  BYTE hidden = 0;
  // ARGB of the sprite's vertices before the time line's opacity.
  D3DCOLOR packedColour = 0;
  // Signed rate at which alpha changes.
  float twinkleSpeed = 0.0f;
};
