#pragma once
// The program's string resources (res/strings.txt), by id.
#include <QString>

// A string resource by id ("" when there is none).
QString loadString(int id);
