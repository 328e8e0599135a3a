#pragma once

// Printouts are printed to PDF in the tests and read back as text with pdftotext.

#include <QProcess>
#include <QStringList>

// Each line with its runs of blanks made one; empty lines left out.
inline QStringList Simplified(const QStringList& lines) {
    QStringList out;
    for (const QString& line : lines) {
        if (!line.simplified().isEmpty())
            out << line.simplified();
    }
    return out;
}

// The text of a printed PDF laid out as printed, a form feed after each page.
inline QString PdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(20000))
        return QStringLiteral("<pdftotext failed>");
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of a printed PDF simplified line by line.
inline QStringList PdfLines(const QString& pdf) {
    return Simplified(PdfText(pdf).split('\n'));
}
