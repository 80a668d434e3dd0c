#pragma once
// What the saver quietly went without: an effect that could not be made, a module or
// module resource that is missing, a picture that did not decode. Each is written once
// per link to the debugger output for developers (under Wine, WINEDEBUG=+debugstr
// shows it); nothing is ever shown to the user and nothing drawn changes.

#include <windows.h>

#include <cstdint>
#include <functional>

#include "document/ResourceEntry.h"

enum class DS_MissingKind { Effect, ModuleResource, Picture };

// Where a debugger line goes; OutputDebugStringW unless a test put a sink in place.
typedef std::function<void(const wchar_t* line)> DS_DebugLineSink;

// The link of a module resource: "module#id", the program's own resources as "program#id".
ds_string ModuleLinkName(const ds_string& moduleName, int64_t id);
// The link of a document entry: its file name when it has one, else its module link.
ds_string EntryLinkName(const DS_ResourceEntry& entry);

// Writes one line naming what was missed, the link and the result code, the first time
// this kind of failure happens for this link; later failures of the same link are quiet,
// so a lookup that fails every frame writes one line.
void ReportMissingResource(DS_MissingKind kind, const ds_string& link, HRESULT result);

// Puts `sink` in place and returns the one it replaces; an empty sink restores
// OutputDebugStringW.
DS_DebugLineSink SetMissingResourceSink(DS_DebugLineSink sink);
// Forgets which links were reported (a test starts from none).
void ForgetReportedResources();
