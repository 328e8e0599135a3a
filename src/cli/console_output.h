#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdio>

// Standard output and standard error of the program: UTF-8 whatever the locale, LF line ends.
// A command flushes when a pipe should see what it has (each live sample); a failed write is
// remembered, so that the program can end with the file status instead of losing lines
// silently.
class ConsoleOutput {
public:
    explicit ConsoleOutput(std::FILE* out = stdout, std::FILE* err = stderr);

    // One line of fields separated by TAB.
    void Fields(const QStringList& fields);
    template <size_t N> void Fields(const std::array<QString, N>& fields) {
        Fields(QStringList(fields.begin(), fields.end()));
    }
    void Line(const QString& text);
    // Bytes as they are (a CSV made elsewhere).
    void Raw(const QByteArray& bytes);

    // "corvilab-cli: " and the text, one line on standard error.
    void Error(const QString& text);

    // Pushes out what is buffered. False when standard output could not take everything;
    // WriteError() says why.
    bool Flush();
    bool Failed() const { return !writeError_.isEmpty(); }
    QString WriteError() const { return writeError_; }

private:
    void Write(const QByteArray& bytes);

    std::FILE* out_;
    std::FILE* err_;
    QString writeError_;
};
