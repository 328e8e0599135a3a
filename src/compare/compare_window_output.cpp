// The Compare window's output: the table of results, the caption that names a comparison, CSV
// exports, the plots as an image and the printed report.

#include "compare/compare_window.h"

#include "compare/compare_csv.h"
#include "compare/compare_options.h"
#include "link/reading_text.h"
#include "ui/dialogs.h"
#include "ui/print_lines.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QTableWidget>
#include <qcustomplot.h>

void CompareWindow::ShowTable() {
    const QSignalBlocker block(resultTable_);
    resultTable_->clearContents();
    resultTable_->setRowCount(comparison_ ? RunCount() : 0);
    if (!comparison_)
        return;
    for (int i = 0; i < RunCount(); ++i) {
        const std::array<QString, 8> cells = comparison_->TableCells(i);
        for (int k = 0; k < 8; ++k) {
            auto* item = new QTableWidgetItem(cells[size_t(k)]);
            if (k >= 2 && k <= 6)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (i == settings_.reference) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            resultTable_->setItem(i, k, item);
        }
        resultTable_->item(i, 0)->setData(
            Qt::DecorationRole, i == settings_.reference ? QColor(Qt::black) : RunColour(i));
        const std::optional<bool>& pass = comparison_->Results()[size_t(i)].pass;
        if (pass)
            resultTable_->item(i, 7)->setBackground(*pass ? QColor(200, 240, 200)
                                                          : QColor(250, 200, 200));
    }
    resultTable_->resizeColumnsToContents();
}

QString CompareWindow::Caption() const {
    if (!comparison_)
        return QString();
    const Alignment& a = settings_.alignment;
    const QString unit = UnitName(settings_.fahrenheit);
    const QString aligned =
        a.kind == Alignment::Kind::Start ? QStringLiteral("lined up at the start")
        : a.kind == Alignment::Kind::AtMark
            ? QStringLiteral("lined up at mark '%1'").arg(a.markText)
            : QStringLiteral("lined up where %1 %2 %3 %4")
                  .arg(ChannelName(a.channel),
                       a.kind == Alignment::Kind::Rising ? QStringLiteral("rises to")
                                                         : QStringLiteral("falls to"),
                       OneDecimalText(a.levelTenths), unit);
    return QStringLiteral("%1 in %2 against %3, band %4 %5, %6")
        .arg(ChannelName(settings_.channel), unit, comparison_->Reference().Name(),
             settings_.band ? BandText(*settings_.band) : QStringLiteral("none"), unit, aligned);
}

QString CompareWindow::WriteFile(const QString& title, const QByteArray& bytes) {
    const QString path =
        dialogs_.SaveFileName(this, title, QStringLiteral("CSV (*.csv);;All Files (*)"));
    if (path.isEmpty())
        return path;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        dialogs_.Critical(
            this, QStringLiteral("%1 could not be written.").arg(QDir::toNativeSeparators(path)),
            file.errorString());
        return QString();
    }
    return path;
}

bool CompareWindow::ExportTable() {
    return comparison_ &&
           !WriteFile(QStringLiteral("Export Table"), ComparisonTableCsv(*comparison_, "\r\n"))
                .isEmpty();
}

bool CompareWindow::ExportSeries() {
    return comparison_ &&
           !WriteFile(QStringLiteral("Export Series"), AlignedSeriesCsv(*comparison_, "\r\n"))
                .isEmpty();
}

namespace {

// The two plots one above the other, as drawn on screen, at least a readable size.
struct PlotSizes {
    int width, runs, difference;
};

PlotSizes SizesOf(const QCustomPlot* runs, const QCustomPlot* difference) {
    return {std::max(runs->width(), 800), std::max(runs->height(), 360),
            std::max(difference->height(), 240)};
}

void PaintPlots(QCPPainter& painter, QCustomPlot* runs, QCustomPlot* difference,
                const PlotSizes& size) {
    painter.save();
    runs->toPainter(&painter, size.width, size.runs);
    painter.translate(0, size.runs);
    difference->toPainter(&painter, size.width, size.difference);
    painter.restore();
}

} // namespace

bool CompareWindow::SaveImage() {
    if (!comparison_)
        return false;
    const QString path = dialogs_.SaveFileName(this, QStringLiteral("Save Image"),
                                               QStringLiteral("PNG image (*.png);;PDF (*.pdf)"));
    if (path.isEmpty())
        return false;
    const PlotSizes size = SizesOf(graphRuns_, graphDifference_);
    const int height = size.runs + size.difference;
    bool saved = false;
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0) {
        // Vectors, one point a pixel of the screen.
        QPdfWriter writer(path);
        writer.setCreator(QStringLiteral("Corvilab"));
        writer.setTitle(Caption());
        writer.setPageSize(QPageSize(QSizeF(size.width, height), QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QCPPainter painter;
        if (painter.begin(&writer)) {
            painter.setMode(QCPPainter::pmVectorized);
            painter.setMode(QCPPainter::pmNoCaching);
            painter.setWindow(0, 0, size.width, height);
            PaintPlots(painter, graphRuns_, graphDifference_, size);
            saved = painter.end();
        }
    } else {
        QImage image(size.width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QCPPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        PaintPlots(painter, graphRuns_, graphDifference_, size);
        painter.end();
        saved = image.save(path, "PNG");
    }
    if (!saved) {
        dialogs_.Critical(
            this,
            QStringLiteral("The plots were not saved to %1.").arg(QDir::toNativeSeparators(path)));
    }
    return saved;
}

bool CompareWindow::Print() {
    if (!comparison_)
        return false;
    QPrinter printer(QPrinter::ScreenResolution);
    QCPPainter painter;
    if (!BeginLandscapePrint(dialogs_, this, printer, painter, QStringLiteral("Compare"),
                             QStringLiteral("The comparison could not be printed.")))
        return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const QRect page = painter.viewport();
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(8);
    painter.setFont(font);
    const QFontMetrics metrics(font, &printer);
    const int line = metrics.lineSpacing();
    int y = page.top() + metrics.ascent();
    painter.drawText(page.left(), y, Caption());
    y += line;

    // The plots on the upper part of the first page, scaled as vectors.
    const PlotSizes size = SizesOf(graphRuns_, graphDifference_);
    const int height = size.runs + size.difference;
    const double room = std::max(page.height() * 0.6 - line, 1.0);
    const double scale = std::min(page.width() / double(size.width), room / height);
    painter.save();
    painter.setViewport(page.left(), y, int(size.width * scale), int(height * scale));
    painter.setWindow(0, 0, size.width, height);
    PaintPlots(painter, graphRuns_, graphDifference_, size);
    painter.restore();
    y += int(height * scale) + 2 * line;

    // The table as text below them, in columns; it goes on over further pages.
    QList<std::array<QString, 8>> rows{Comparison::TableHeadings()};
    for (int i = 0; i < RunCount(); ++i)
        rows << comparison_->TableCells(i);
    std::array<int, 8> widths{};
    for (const auto& row : rows) {
        for (size_t k = 0; k < 8; ++k)
            widths[k] = std::max(widths[k], int(row[k].size()));
    }
    for (const auto& row : rows) {
        if (y > page.bottom()) {
            if (!printer.newPage())
                break;
            y = page.top() + metrics.ascent();
        }
        QString text;
        for (size_t k = 0; k < 8; ++k)
            text += (k < 2 ? row[k].leftJustified(widths[k]) : row[k].rightJustified(widths[k])) +
                    QStringLiteral("  ");
        painter.drawText(page.left(), y, text);
        y += line;
    }
    return painter.end();
}
