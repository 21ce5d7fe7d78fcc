#pragma once
// The main window's place and size and its record list's column widths, kept per user in KIV.conf, so the
// window comes back as the user left it.
class QWidget;
class CReportView;

// Puts the window and the list's columns where they were; anything missing or unusable keeps the defaults.
void RestoreWindowPlace(QWidget* window, CReportView* list);
void SaveWindowPlace(const QWidget* window, const CReportView* list);
