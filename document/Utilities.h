#pragma once
// Small helpers shared by every subsystem.

#include "document/ResourceEntry.h"

// min + rand() / 32767 * (max - min), on the process-wide rand() sequence.
float RandomFloat(float min, float max);

// Nearest integer, halves to even. Values beyond the int range saturate, NaN gives 0.
int RoundToInt(float value);

// Saturating conversion of a float from the document to an int (truncates); NaN is 0.
int SaturateToInt(double value);

// The most of anything one item holds by a count from the document (sprites, quads,
// particles, origins): what 16-bit indices address with four vertices a quad.
const unsigned kMaxDocumentCount = 16384;

// A count from the document as an int, capped at kMaxDocumentCount whatever its top
// bit: a huge count gets the cap, never a negative number.
int CountToInt(unsigned count);

// The text after the last '\', '/' or ':' of a path; a bare name is returned as it
// is. Callers that make files from the result must reject "", "." and "..".
ds_string GetFileNameFromPath(const ds_string& path);

// True for a file name that may be created inside a folder: not empty, not "." or
// "..", and without separators.
bool IsSafeFileName(const ds_string& name);
