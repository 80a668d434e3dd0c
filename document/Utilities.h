#pragma once
// Small helpers shared by every subsystem.

#include "document/ResourceEntry.h"

// min + rand() / 32767 * (max - min), on the process-wide rand() sequence.
float RandomFloat(float min, float max);

// Nearest integer, halves to even. Values beyond the int range saturate, NaN gives 0.
int RoundToInt(float value);

// Saturating conversion of a float from the document to an int (truncates); NaN is 0.
int SaturateToInt(double value);

// The text after the last '\', '/' or ':' of a path; a bare name is returned as it
// is. Callers that make files from the result must reject "", "." and "..".
ds_string GetFileNameFromPath(const ds_string& path);

// True for a file name that may be created inside a folder: not empty, not "." or
// "..", and without separators.
bool IsSafeFileName(const ds_string& name);
