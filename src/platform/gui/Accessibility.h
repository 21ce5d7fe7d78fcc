#pragma once
// What assistive technology (a screen reader over AT-SPI) is told beyond what Qt's widgets tell it.
#include <QString>

class QWidget;

// Says a text to the user of a screen reader, from a control (the one with the focus, so it is read): what
// was just played, for instance.
void announce(QWidget* source, const QString& text);
// A top-level window that is the program's main window, not a dialog, to assistive technology.
void presentAsMainWindow(QWidget* window);
