#include "host/ErrorBox.h"

void PlaceErrorBox(DS_ErrorBox& box, const RECT& area, bool preview) {
  if (preview) {
    box.x = 0.0f;
    box.y = 0.0f;
    box.width = (float)(area.right - area.left);
    box.height = (float)(area.bottom - area.top);
    box.xSpeed = 0.0f;
    box.ySpeed = 0.0f;
    return;
  }
  box.width = kErrorBoxWidth;
  box.height = kErrorBoxHeight;
  box.x = (float)(area.left + area.right - kErrorBoxWidth) * 0.5f;
  box.y = (float)(area.top + area.bottom - kErrorBoxHeight) * 0.5f;
  box.xSpeed = (float)(area.right - area.left) / 10.0f;
  box.ySpeed = (float)(area.bottom - area.top) / 20.0f;
}

RECT ErrorBoxRect(const DS_ErrorBox& box) {
  RECT r = {(LONG)box.x, (LONG)box.y, (LONG)(box.x + box.width), (LONG)(box.y + box.height)};
  return r;
}

void StepErrorBox(DS_ErrorBox& box, const RECT& area, float dt, RECT& before, RECT& after) {
  before = ErrorBoxRect(box);
  float nextX = box.x + box.xSpeed * dt;
  if (((float)area.right < nextX + box.width && box.xSpeed > 0) ||
      (nextX < (float)area.left && box.xSpeed < 0)) {
    box.xSpeed = -box.xSpeed;
  }
  float nextY = box.y + box.ySpeed * dt;
  if (((float)area.bottom < nextY + box.height && box.ySpeed > 0) ||
      (nextY < (float)area.top && box.ySpeed < 0)) {
    box.ySpeed = -box.ySpeed;
  }
  box.x += dt * box.xSpeed;
  box.y += dt * box.ySpeed;
  after = ErrorBoxRect(box);
}
