#pragma once
// Makes a document resource manager current while a document is written (links file
// what they name through the current manager) and restores the previous one afterwards.

#include "document/DocResManager.h"

namespace ds_tools {

class CurrentManagerScope {
public:
  explicit CurrentManagerScope(DS_DocResManager* manager) : m_previous(g_CurrentDocResManager) {
    SetCurrentDocResManager(manager);
  }
  ~CurrentManagerScope() { SetCurrentDocResManager(m_previous); }
  CurrentManagerScope(const CurrentManagerScope&) = delete;
  CurrentManagerScope& operator=(const CurrentManagerScope&) = delete;

private:
  DS_DocResManager* m_previous;
};

}  // namespace ds_tools
