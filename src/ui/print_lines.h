#pragma once

#include <QStringList>

#include <functional>

class Dialogs;
class QFont;
class QPainter;
class QPrinter;
class QWidget;

// Prints one copy of `lines`, one below the other in `font`, a new page when a page is full.
// `onLine`, when given, gets each line's index after it is drawn. False when the printer could
// not be started.
bool PrintLines(QPrinter& printer, const QStringList& lines, const QFont& font,
                const std::function<void(int)>& onLine = {});

// The start of a picture's printout: `printer` turned to landscape and named `docName`, the
// print dialog over `parent`, then `painter` begun on the printer. False when the dialog was
// cancelled, or when the printer could not be started; then the user is told `failureText`.
bool BeginLandscapePrint(Dialogs& dialogs, QWidget* parent, QPrinter& printer, QPainter& painter,
                         const QString& docName, const QString& failureText);
