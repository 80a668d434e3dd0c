#include "document/MediaParam.h"

#include <algorithm>
#include <vector>

MediaParam::~MediaParam() {
  // Detach from a copy: a control's DetachParam must not disturb the walk.
  std::list<MediaControl*> controls;
  controls.swap(m_controls);
  for (MediaControl* control : controls) control->DetachParam();
}

void MediaParam::NotifyControls(MediaControl* source) {
  // Handlers may bind or unbind controls of this parameter; walk a snapshot and skip
  // controls that have left the list meanwhile.
  std::vector<MediaControl*> snapshot(m_controls.begin(), m_controls.end());
  for (MediaControl* control : snapshot) {
    if (control == source || !HasControl(control)) continue;
    control->OnParamChanged(source);
  }
}

void MediaParam::AttachControl(MediaControl* control) {
  if (!control) return;
  m_controls.push_back(control);
  control->OnAttached(this);
}

void MediaParam::DetachControl(MediaControl* control) { m_controls.remove(control); }

bool MediaParam::HasControl(const MediaControl* control) const {
  return std::find(m_controls.begin(), m_controls.end(), control) != m_controls.end();
}

MediaControl::~MediaControl() = default;
