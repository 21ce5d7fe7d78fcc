#pragma once
// The real message boxes, for the windowed program; installed once, after the application object exists.
void installWidgetMessageBoxes();
