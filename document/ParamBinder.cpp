#include "document/ParamBinder.h"

DS_FunLightCtrlList::~DS_FunLightCtrlList() {
  Clear();
  DeleteOwnedTarget();
}

void DS_FunLightCtrlList::Clear() {
  std::list<MediaControl*> binders;
  binders.swap(m_binders);
  for (MediaControl* binder : binders) delete binder;
}

void DS_FunLightCtrlList::DeleteOwnedTarget() {
  void* target = m_target;
  m_target = nullptr;
  if (m_ownsTarget && target && m_deleteTarget) m_deleteTarget(target);
  m_deleteTarget = nullptr;
}
