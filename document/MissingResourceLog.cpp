#include "document/MissingResourceLog.h"

#include <cwchar>
#include <mutex>
#include <set>
#include <utility>

namespace {

struct ReportedLinks {
  std::mutex lock;
  std::set<std::pair<int, ds_string>> reported;
  DS_DebugLineSink sink;
};

ReportedLinks& Reported() {
  static ReportedLinks links;
  return links;
}

const wchar_t* MissedWhat(DS_MissingKind kind) {
  switch (kind) {
    case DS_MissingKind::Effect:
      return L"effect not created";
    case DS_MissingKind::ModuleResource:
      return L"module resource missing";
    case DS_MissingKind::Picture:
      return L"picture not decoded";
  }
  return L"resource missing";
}

}  // namespace

ds_string ModuleLinkName(const ds_string& moduleName, int64_t id) {
  return (moduleName.empty() ? ds_string(L"program") : moduleName) + L"#" +
         std::to_wstring(id);
}

ds_string EntryLinkName(const DS_ResourceEntry& entry) {
  if (!entry.Name().empty()) return entry.Name();
  return ModuleLinkName(entry.ModuleName(), entry.ResourceId());
}

void ReportMissingResource(DS_MissingKind kind, const ds_string& link, HRESULT result) {
  ReportedLinks& links = Reported();
  DS_DebugLineSink sink;
  {
    std::lock_guard<std::mutex> guard(links.lock);
    if (!links.reported.insert(std::make_pair(static_cast<int>(kind), link)).second) return;
    sink = links.sink;
  }
  wchar_t code[16];
  std::swprintf(code, sizeof(code) / sizeof(code[0]), L"0x%08lX",
                static_cast<unsigned long>(result));
  const ds_string line =
      L"scene saver: " + ds_string(MissedWhat(kind)) + L": " + link + L" (" + code + L")\n";
  if (sink) {
    sink(line.c_str());
  } else {
    OutputDebugStringW(line.c_str());
  }
}

DS_DebugLineSink SetMissingResourceSink(DS_DebugLineSink sink) {
  ReportedLinks& links = Reported();
  std::lock_guard<std::mutex> guard(links.lock);
  DS_DebugLineSink previous = std::move(links.sink);
  links.sink = std::move(sink);
  return previous;
}

void ForgetReportedResources() {
  ReportedLinks& links = Reported();
  std::lock_guard<std::mutex> guard(links.lock);
  links.reported.clear();
}
