#include "views/grid_commands.h"

#include "link/meter_timers.h"
#include "recording/csv_export.h"
#include "recording/data_file.h"
#include "recording/grid_file.h"
#include "recording/marks.h"
#include "recording/six_column_model.h"
#include "ui/dialogs.h"
#include "ui/hourglass.h"
#include "ui/print_lines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPrinter>
#include <QSaveFile>
#include <QWidget>

namespace {

QString NativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

} // namespace

std::optional<QString> ChooseDataFile(Dialogs& dialogs, QWidget* parent) {
    // The dialogs ask before an existing file is replaced.
    const QString path =
        dialogs.SaveFileName(parent, QStringLiteral("Save As"), DataFileDialogFilter());
    if (path.isEmpty() || QFileInfo(path).fileName().isEmpty())
        return std::nullopt;
    return path;
}

bool SaveGridAs(QWidget* form, const SixColumnModel& grid, Dialogs& dialogs, SaveEvents events) {
    const std::optional<QString> path = ChooseDataFile(dialogs, form);
    if (!path)
        return false;
    const QString caption = form->windowTitle();
    QString error;
    bool saved = false;
    {
        Hourglass hourglass;
        saved = SaveGridToFile(grid, *path, &error, [form, events](qint64 row) {
            form->setWindowTitle(QString::number(row) + QStringLiteral("Records Completed"));
            if (events == SaveEvents::AfterEachRow)
                QCoreApplication::processEvents();
        });
    }
    form->setWindowTitle(caption);
    if (!saved)
        dialogs.Critical(
            form, QStringLiteral("The list was not saved to %1.").arg(NativePath(*path)), error);
    return saved;
}

bool ExportGridAsCsv(QWidget* form, const SixColumnModel& grid, Dialogs& dialogs,
                     const QList<Mark>& marks) {
    const QString path = dialogs.SaveFileName(form, QStringLiteral("Export CSV"),
                                              QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return false;
    CsvConversion csv;
    // The file appears whole or not at all: nothing half written is left under its name.
    QSaveFile file(path);
    bool written = false;
    {
        Hourglass hourglass;
        csv = ConvertGridToCsv(grid, "\r\n", marks);
        written = file.open(QIODevice::WriteOnly) && file.write(csv.csv) == csv.csv.size() &&
                  file.commit();
    }
    if (!written) {
        dialogs.Critical(form,
                         QStringLiteral("The list was not exported to %1.").arg(NativePath(path)),
                         file.errorString());
        return false;
    }
    if (!csv.error.isEmpty())
        dialogs.Message(form, QMessageBox::Warning, AppTitle(),
                        QStringLiteral("The export to %1 stopped at %2. The rows before it are in "
                                       "the file.")
                            .arg(NativePath(path), csv.error));
    return true;
}

QString PrinterNoteText() {
    // One line each; Qt's message boxes break lines at a line feed.
    return QStringList{
        QStringLiteral("Note"),
        QStringLiteral("The effect of the properties of the Printer settings"),
        QStringLiteral("depends on the driver supplied by the printer manufacturer."),
        QStringLiteral("Some property settings may have no effect, or several different property "
                       "settings"),
        QStringLiteral("may all have the same effect. Settings outside the accepted range may or "
                       "may not produce an error."),
        QStringLiteral("For more information, see the manufacturer's documentation for the "
                       "specific driver.")}
        .join(QLatin1Char('\n'));
}

QFont PrintFont() {
    QFont font(QStringLiteral("Lucida Console"), 8);
    font.setStyleHint(QFont::Monospace, QFont::PreferMatch);
    font.setFixedPitch(true);
    const QFontInfo info(font);
    if (info.family() == QLatin1String("Lucida Console") && info.fixedPitch())
        return font;
    // The columns line up only in a fixed-pitch font.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(8);
    return fixed;
}

PrintOutcome PrintGrid(QWidget* form, const SixColumnModel& grid, Dialogs& dialogs,
                       MeterTimers& timers) {
    PrintOutcome outcome;
    QPrinter printer(QPrinter::HighResolution);
    if (!dialogs.Print(form, printer)) {
        outcome.cancelled = true;
        return outcome;
    }
    dialogs.Message(form, QMessageBox::NoIcon, AppTitle(), PrinterNoteText());

    const QString caption = form->windowTitle();
    const QStringList lines = PrintGridLines(grid, &outcome.stoppedAtRow);
    const QFont font = PrintFont();
    const int copies = qMax(1, printer.copyCount());
    // Each copy is a document of its own, so that copies come out collated on any driver.
    printer.setCopyCount(1);
    {
        Hourglass hourglass;
        LocalWork busy(timers);
        for (int copy = 0; copy < copies; ++copy) {
            const bool printed = PrintLines(printer, lines, font, [form](int line) {
                // Line 4 is the heading row, line 5 the separator, line 5 + r data row r.
                const int row = line <= 4 ? line - 4 : line - 5;
                if (row >= 0 && (row % 200 == 0)) {
                    form->setWindowTitle(QString::number(row) + QStringLiteral(" Completed"));
                    QCoreApplication::processEvents();
                }
            });
            if (!printed) {
                outcome.failed = true;
                break;
            }
            ++outcome.copiesPrinted;
            // A row that does not fit ends the printout after the rows before it.
            if (outcome.stoppedAtRow >= 0)
                break;
        }
    }
    form->setWindowTitle(caption);
    if (outcome.failed)
        dialogs.Critical(form, QStringLiteral("The printer could not be started."));
    else if (outcome.stoppedAtRow >= 0)
        dialogs.Critical(form, QStringLiteral("Printing stopped before row %1: a text in that row "
                                              "is wider than its column.")
                                   .arg(outcome.stoppedAtRow));
    return outcome;
}
