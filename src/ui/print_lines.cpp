#include "ui/print_lines.h"

#include "ui/dialogs.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

bool PrintLines(QPrinter& printer, const QStringList& lines, const QFont& font,
                const std::function<void(int)>& onLine) {
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    painter.setFont(font);
    const QFontMetrics metrics(painter.font(), painter.device());
    const int lineHeight = metrics.lineSpacing();
    const int pageHeight = painter.viewport().height();
    int y = metrics.ascent();
    for (int i = 0; i < lines.size(); ++i) {
        if (y + metrics.descent() > pageHeight) {
            printer.newPage();
            y = metrics.ascent();
        }
        painter.drawText(0, y, lines[i]);
        y += lineHeight;
        if (onLine)
            onLine(i);
    }
    return painter.end();
}

bool BeginLandscapePrint(Dialogs& dialogs, QWidget* parent, QPrinter& printer, QPainter& painter,
                         const QString& docName, const QString& failureText) {
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(docName);
    if (!dialogs.Print(parent, printer))
        return false;
    if (painter.begin(&printer))
        return true;
    dialogs.Critical(parent, failureText, printer.outputFileName());
    return false;
}
