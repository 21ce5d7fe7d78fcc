#pragma once
// Annotations made from text the user did not type into the annotation box: a sound file's title tag or
// name, a line of text to be spoken.
#include <QString>
#include <string>

// The annotation (GBK) for a text: line breaks become blanks, blanks at both ends go, characters GBK cannot
// hold become '?' (and *replaced turns true), and the rest is cut to the record's limit without splitting
// a character. Empty when nothing is left.
std::string AnnotationFromText(const QString& text, bool* replaced = nullptr);

// Less-than in the order a person expects of names: digit runs compare by value ("2" before "10"), case
// is ignored; exact ties fall back to the plain text so the order is total.
bool NaturalLess(const QString& a, const QString& b);
