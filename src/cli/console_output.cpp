#include "cli/console_output.h"

#include <cerrno>
#include <cstring>

ConsoleOutput::ConsoleOutput(std::FILE* out, std::FILE* err)
    : out_(out)
    , err_(err) {}

void ConsoleOutput::Fields(const QStringList& fields) {
    Line(fields.join(QLatin1Char('\t')));
}

void ConsoleOutput::Line(const QString& text) {
    Write((text + QLatin1Char('\n')).toUtf8());
}

void ConsoleOutput::Raw(const QByteArray& bytes) {
    Write(bytes);
}

void ConsoleOutput::Write(const QByteArray& bytes) {
    if (Failed())
        return;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out_) != size_t(bytes.size()))
        writeError_ = QString::fromLocal8Bit(std::strerror(errno));
}

bool ConsoleOutput::Flush() {
    if (!Failed() && std::fflush(out_) != 0)
        writeError_ = QString::fromLocal8Bit(std::strerror(errno));
    return !Failed();
}

void ConsoleOutput::Error(const QString& text) {
    // A line break inside a message would make it two; errors are one line each.
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    const QByteArray bytes = (QStringLiteral("corvilab-cli: ") + line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), err_);
    std::fflush(err_);
}
