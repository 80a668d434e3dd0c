#pragma once
// Loading of the scene document: the signature, the slide-show record and the
// document resource manager's record, read from the program's resource "DDS" 107 (or,
// for tests and tools, from any bytes). A load either yields a slide show with at
// least one slide and its resource manager, or throws kSceneDocumentMissing and
// leaves nothing behind: the current resource manager stays as it was. A load given an
// abort check asks it between records and between pictures; when it answers yes the
// load stops there, leaves nothing behind either and yields null.

#include <windows.h>

#include <cstddef>

#include "document/AbortCheck.h"
#include "document/Stream.h"

class DS_SlideShow_Light;
class DS_DocResManager;

// Thrown (as an unsigned 32-bit value) when there is no document or it cannot be
// read; the host shows message string 2108 for it.
const unsigned int kSceneDocumentMissing = 0x8200000B;
// The program resource ("DDS" type) that holds the document.
const int kSceneDocumentResource = 107;

// Reads the document embedded in `module` (null: the program). Returns the slide show
// (owned by the caller) and makes the new manager current (SetCurrentDocResManager);
// the caller keeps it through g_CurrentDocResManager. Null only when `abortCheck`
// stopped the load; the show keeps the check for the pictures it reads later, so it
// must outlive the show. The document's files are read in place: the module must stay
// loaded while the show and its manager live.
DS_SlideShow_Light* LoadSceneDocument(HMODULE module = nullptr, DS_AbortCheck* abortCheck = nullptr);
// The same from `size` bytes in memory.
DS_SlideShow_Light* LoadSceneDocumentFromMemory(const void* bytes, size_t size,
                                                DS_AbortCheck* abortCheck = nullptr);

// The slide show's header, slides and audio files; null when the stream failed.
DS_SlideShow_Light* ReadSlideShowRecord(DS_IOF_Handle& handle);
// The manager's header and tables; null when the stream failed.
DS_DocResManager* ReadDocResManagerRecord(DS_IOF_Handle& handle);
