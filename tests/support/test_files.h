#pragma once
// What the recording and list tests share.

#include "recording/data_file.h"

#include <QFile>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

inline const QString DegC = QStringLiteral("\u00B0C");
inline const QString DegF = QStringLiteral("\u00B0F");

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

// The file's lines split at LF, each keeping its CR.
inline QList<QByteArray> FileLines(const QString& path) {
    QList<QByteArray> lines = FileBytes(path).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline DataFields ToFields(const QStringList& list) {
    return {list.value(0), list.value(1), list.value(2),
            list.value(3), list.value(4), list.value(5)};
}

inline QStringList ToList(const DataFields& f) {
    return QStringList(f.begin(), f.end());
}

// Lets this process write files only up to `bytes` (writes beyond fail with EFBIG) until it goes
// out of scope: a real failure of the system's write, which a read-only folder is not for the
// root user the tests may run as.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { Lift(); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    void Lift() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};
