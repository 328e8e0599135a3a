#pragma once

#include <QStringList>

class QFont;
class QPrinter;

// Prints `lines` one below the other in `font`, starting a new page when a page is full, as
// one print job. False (with nothing sent) when the printer could not be started.
bool PrintLines(QPrinter& printer, const QStringList& lines, const QFont& font);
