#include "host/ProgramModule.h"

namespace {
HINSTANCE s_programModule = nullptr;
}

HINSTANCE GetProgramModule() {
  return s_programModule ? s_programModule : GetModuleHandleW(nullptr);
}

void SetProgramModule(HINSTANCE module) { s_programModule = module; }
