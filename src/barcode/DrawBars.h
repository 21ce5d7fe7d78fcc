#pragma once
// The bars of a barcode on any painter: the print job, the label pages, their preview and kivtool all draw
// through this one routine, in whole device dots.
#include <QPoint>
#include <QRect>
#include <string_view>

class QPainter;

// Draws a width string (one digit per bar or space, its width in modules, starting with a bar) with its
// top-left corner at origin: each module moduleDots wide, each bar barDots high, nothing outside clip.
// Returns the bottom-right corner of the symbol (origin + its width and height). When drawn is given, the
// part actually painted is added to it.
QPoint DrawBars(QPainter& painter, std::string_view widths, QPoint origin, int moduleDots, int barDots,
                const QRect& clip, QRect* drawn = nullptr);

// The width of a width string in modules.
long long ModuleCount(std::string_view widths);

// Fills the rectangle with solid white.
void FillWhite(QPainter* painter, const QRect& rect);
