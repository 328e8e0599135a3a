#pragma once

#include <QStringList>

#include <functional>

class QFont;
class QPrinter;

// Prints one copy of `lines`, one below the other in `font`, a new page when a page is full.
// `onLine`, when given, gets each line's index after it is drawn. False when the printer could
// not be started.
bool PrintLines(QPrinter& printer, const QStringList& lines, const QFont& font,
                const std::function<void(int)>& onLine = {});
