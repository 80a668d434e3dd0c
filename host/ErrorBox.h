#pragma once
// Geometry of the error message box that drifts and bounces over a saver window while
// the saver is in error mode. Pure arithmetic, so the framework's painting and the
// tests share it.

#include "host/DisplayTables.h"

const float kErrorBoxWidth = 300.0f;
const float kErrorBoxHeight = 150.0f;

// First placement inside `area`: the whole area in preview mode (never moving),
// otherwise a 300 x 150 box in the centre crossing the area in 10 s across and 20 s
// down.
void PlaceErrorBox(DS_ErrorBox& box, const RECT& area, bool preview);

// Moves a placed box by dt seconds, reversing a speed whose step would leave `area`.
// Returns the box's integer rectangle before and after the step.
void StepErrorBox(DS_ErrorBox& box, const RECT& area, float dt, RECT& before, RECT& after);

RECT ErrorBoxRect(const DS_ErrorBox& box);
