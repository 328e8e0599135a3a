#include "recording/data_file.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes the code page leaves undefined, which
// decode to the control character of the same number.
constexpr char16_t HighControlRange[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,      // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178, // 0x98
};

char16_t DecodeByte(unsigned char b) {
    if (b >= 0x80 && b < 0xA0 && HighControlRange[b - 0x80] != 0)
        return HighControlRange[b - 0x80];
    return b; // ASCII and 0xA0..0xFF are the same numbers as in Unicode
}

// The byte for a character, or -1 when Windows-1252 has none.
int EncodeChar(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    if (c < 0xA0) // a control character: only the five undefined bytes map back
        return HighControlRange[c - 0x80] == 0 ? int(c) : -1;
    for (int i = 0; i < 32; ++i) {
        if (HighControlRange[i] == c)
            return 0x80 + i;
    }
    return -1;
}

void AppendEncoded(QByteArray& out, QStringView text, int* replaced, bool inField) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (inField && (c == u'\r' || c == u'\n')) {
            out.append(' ');
            continue;
        }
        const int b = EncodeChar(c);
        if (b >= 0) {
            out.append(char(b));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate())
            ++i; // one character, one replacement
        out.append(Windows1252Replacement);
        if (replaced)
            ++*replaced;
    }
}

constexpr unsigned char Utf8Bom[3] = {0xEF, 0xBB, 0xBF};

bool StartsWithBom(const char* bytes, qsizetype size) {
    return size >= 3 && std::memcmp(bytes, Utf8Bom, 3) == 0;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const unsigned char* s, qsizetype size, bool* hasNonAscii) {
    *hasNonAscii = false;
    qsizetype i = 0;
    while (i < size) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        *hasNonAscii = true;
        int more;
        unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0)
                lo = 0xA0;
            else if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (size - i <= more)
            return false;
        if (s[i + 1] < lo || s[i + 1] > hi)
            return false;
        for (int k = 2; k <= more; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += more + 1;
    }
    return true;
}

// The split rule on raw bytes: a TAB byte is a TAB in both encodings, and never part of a UTF-8
// sequence.
bool SplitBytes(const char* line, qsizetype size, DataFieldBytes& fields) {
    const char* rest = line;
    qsizetype restSize = size;
    for (QByteArrayView& field : fields) {
        const void* tab = restSize > 0 ? std::memchr(rest, '\t', size_t(restSize)) : nullptr;
        if (!tab)
            return false;
        const qsizetype before = static_cast<const char*>(tab) - rest;
        field = QByteArrayView(rest, before);
        if (before + 1 < restSize) {
            rest += before + 1;
            restSize -= before + 1;
        }
    }
    return true;
}

// Hands over the whole lines of a file's bytes, one stretch of them at a time.
class LineScanner {
public:
    LineScanner(const DataBytesHandler& onLine, DataFileReadResult& result)
        : m_onLine(onLine)
        , m_result(result) {}

    // Splits and hands over the lines in [p, end). Without `atEnd`, a line whose end is not in
    // the stretch yet (or might still be CR LF) is left for the next stretch. Returns where the
    // unread bytes start; `stop` is set when the reading ends here.
    const char* Scan(const char* p, const char* end, bool atEnd, bool* stop) {
        DataFieldBytes fields;
        while (p < end) {
            const char* lineEnd = p;
            while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
                ++lineEnd;
            if (!atEnd && (lineEnd == end || (*lineEnd == '\r' && lineEnd + 1 == end)))
                return p;
            ++m_lineNumber;
            if (!SplitBytes(p, lineEnd - p, fields)) {
                m_result.stoppedAtLine = m_lineNumber;
                *stop = true;
                return p;
            }
            ++m_result.linesRead;
            if (!m_onLine(m_lineNumber, fields, m_result.encoding)) {
                m_result.cancelled = true;
                *stop = true;
                return p;
            }
            p = lineEnd;
            if (p < end && *p == '\r')
                ++p;
            if (p < end && *p == '\n')
                ++p;
        }
        return p;
    }

    qint64 LineNumber() const { return m_lineNumber; }

private:
    const DataBytesHandler& m_onLine;
    DataFileReadResult& m_result;
    qint64 m_lineNumber = 0;
};

// Where the whole lines of a stretch end: after its last CR or LF, or `begin` when it has none.
const char* EndOfWholeLines(const char* begin, const char* end) {
    for (const char* p = end; p > begin; --p) {
        if (p[-1] == '\r' || p[-1] == '\n')
            return p;
    }
    return begin;
}

} // namespace

QString DataFileDialogFilter() {
    return QStringLiteral("Data Files (*.4ch);;All Files (*)");
}

QString DateTimeText(const QDateTime& dateTime) {
    return QLocale::c().toString(dateTime, QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

DataFields HeadingFields(const QString& unitText, const std::array<QString, 4>& typeLetters) {
    return {unitText,
            QStringLiteral("Date Time"),
            QStringLiteral("T1 - ") + typeLetters[0],
            QStringLiteral("T2 - ") + typeLetters[1],
            QStringLiteral("T3 - ") + typeLetters[2],
            QStringLiteral("T4 - ") + typeLetters[3]};
}

DataFields RecordFields(qint64 recordNumber, const QString& dateTimeText,
                        const std::array<QString, 4>& valueTexts) {
    return {QString::number(recordNumber),
            dateTimeText,
            valueTexts[0],
            valueTexts[1],
            valueTexts[2],
            valueTexts[3]};
}

QByteArray EncodeWindows1252(QStringView text, int* replaced) {
    QByteArray out;
    out.reserve(text.size());
    AppendEncoded(out, text, replaced, false);
    return out;
}

QString DecodeWindows1252(const char* bytes, qsizetype size) {
    // Outside 0x80..0x9F the code page is Latin-1, which Qt decodes fastest.
    bool latin1 = true;
    for (qsizetype i = 0; i < size && latin1; ++i)
        latin1 = (static_cast<unsigned char>(bytes[i]) & 0xE0) != 0x80;
    if (latin1)
        return QString::fromLatin1(bytes, size);
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i)
        out[i] = QChar(DecodeByte(static_cast<unsigned char>(bytes[i])));
    return text;
}

QByteArray EncodeDataLine(const DataFields& fields, int* replaced) {
    QByteArray out;
    qsizetype size = 2 + qsizetype(fields.size());
    for (const QString& f : fields)
        size += f.size();
    out.reserve(size);
    AppendDataLine(out, fields, replaced);
    return out;
}

void AppendDataLine(QByteArray& out, const DataFields& fields, int* replaced) {
    for (const QString& f : fields)
        AppendDataField(out, f, replaced);
    out.append("\r\n", 2);
}

void AppendDataField(QByteArray& out, QStringView text, int* replaced) {
    AppendEncoded(out, text, replaced, true);
    out.append('\t');
}

DataFileEncoding DetectEncoding(const char* bytes, qsizetype size) {
    if (StartsWithBom(bytes, size))
        return DataFileEncoding::Utf8;
    bool nonAscii = false;
    if (IsValidUtf8(reinterpret_cast<const unsigned char*>(bytes), size, &nonAscii) && nonAscii)
        return DataFileEncoding::Utf8;
    return DataFileEncoding::Windows1252;
}

bool SplitDataLine(QStringView line, DataFields* fields) {
    QStringView rest = line;
    for (QString& field : *fields) {
        const qsizetype tab = rest.indexOf(u'\t');
        if (tab < 0)
            return false;
        field = rest.left(tab).toString();
        if (tab + 1 < rest.size())
            rest = rest.mid(tab + 1);
    }
    return true;
}

void DecodeDataFields(const DataFieldBytes& bytes, DataFileEncoding encoding, DataFields* fields) {
    for (size_t k = 0; k < bytes.size(); ++k) {
        (*fields)[k] = encoding == DataFileEncoding::Utf8
                           ? QString::fromUtf8(bytes[k])
                           : DecodeWindows1252(bytes[k].data(), bytes[k].size());
    }
}

namespace {

DataFileReadResult ParseDataBytes(const char* bytes, qsizetype size,
                                  const DataBytesHandler& onLine) {
    DataFileReadResult result;
    result.opened = true;
    result.encoding = DetectEncoding(bytes, size);
    const char* p = StartsWithBom(bytes, size) ? bytes + 3 : bytes;
    bool stop = false;
    LineScanner(onLine, result).Scan(p, bytes + size, true, &stop);
    result.complete = !stop;
    return result;
}

// The text handler over the bytes handler: one set of strings, reused for every line.
template <typename Read> DataFileReadResult ReadDecoded(const DataLineHandler& onLine, Read read) {
    DataFields fields;
    return read([&](qint64 lineNumber, const DataFieldBytes& bytes, DataFileEncoding encoding) {
        DecodeDataFields(bytes, encoding, &fields);
        return onLine(lineNumber, fields);
    });
}

} // namespace

DataFileReadResult ParseDataFile(const char* bytes, qsizetype size, const DataLineHandler& onLine) {
    return ReadDecoded(onLine,
                       [&](const DataBytesHandler& h) { return ParseDataBytes(bytes, size, h); });
}

DataFileReadResult ParseDataFile(const QByteArray& bytes, const DataLineHandler& onLine) {
    return ParseDataFile(bytes.constData(), bytes.size(), onLine);
}

DataFileReadResult ReadDataLines(QIODevice& device, const DataBytesHandler& onLine,
                                 qsizetype bufferBytes) {
    DataFileReadResult result;
    result.opened = true;
    LineScanner scanner(onLine, result);
    QByteArray buffer(std::max<qsizetype>(bufferBytes, 4), Qt::Uninitialized);
    qsizetype held = 0;
    bool first = true;
    bool atEnd = false;
    for (;;) {
        while (!atEnd && held < buffer.size()) {
            const qint64 got = device.read(buffer.data() + held, buffer.size() - held);
            if (got < 0) {
                result.opened = !first;
                result.error = device.errorString();
                return result;
            }
            atEnd = got == 0;
            held += got;
        }
        const char* begin = buffer.constData();
        const char* const end = begin + held;
        if (first) {
            first = false;
            result.encoding =
                DetectEncoding(begin, (atEnd ? end : EndOfWholeLines(begin, end)) - begin);
            if (StartsWithBom(begin, held))
                begin += 3;
        }
        bool stop = false;
        const char* rest = scanner.Scan(begin, end, atEnd, &stop);
        if (stop)
            return result;
        if (atEnd) {
            result.complete = true;
            return result;
        }
        if (rest == buffer.constData()) { // the buffer holds less than one line
            result.stoppedAtLine = scanner.LineNumber() + 1;
            return result;
        }
        held = end - rest;
        std::memmove(buffer.data(), rest, size_t(held));
    }
}

DataFileReadResult ReadDataFile(const QString& path, const DataBytesHandler& onLine) {
    QFile file(path);
    DataFileReadResult result;
    // Read, not mapped: a mapped file that another program shortens while it is read would end
    // the program.
    if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        result = ReadDataLines(file, onLine);
    else
        result.error = file.errorString();
    if (!result.error.isEmpty())
        result.error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + result.error;
    return result;
}

DataFileReadResult ReadDataFile(const QString& path, const DataLineHandler& onLine) {
    return ReadDecoded(onLine, [&](const DataBytesHandler& h) { return ReadDataFile(path, h); });
}

QString ContinuationFileName(const QString& path, int continuationNo) {
    const qsizetype nameStart =
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1;
    const QString suffix = QLatin1Char('-') + QString::number(continuationNo);
    const qsizetype dot = path.indexOf(QLatin1Char('.'), nameStart);
    if (dot < 0)
        return path + suffix;
    return path.left(dot) + suffix + path.mid(dot);
}

QString DumpFileName(const QDateTime& now) {
    return QLocale::c().toString(now, QStringLiteral("MMddHHmmss")) + QStringLiteral(".4ch");
}

// ---- DataFileWriter ---------------------------------------------------------------------------

DataFileWriter::~DataFileWriter() {
    Close();
}

bool DataFileWriter::Fail(const QString& reason) {
    m_error = QDir::toNativeSeparators(m_file.fileName()) + QStringLiteral(": ") + reason;
    return false;
}

bool DataFileWriter::Open(const QString& path) {
    Close();
    m_file.setFileName(path);
    m_size = 0;
    m_lines = 0;
    m_replaced = 0;
    m_error.clear();
    // Unbuffered: every write below goes to the system at once, in one piece.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return Fail(m_file.errorString());
    return true;
}

bool DataFileWriter::WriteLine(const DataFields& fields) {
    return WriteBytes(EncodeDataLine(fields, &m_replaced), 1);
}

bool DataFileWriter::WriteLines(const QList<DataFields>& lines) {
    QByteArray bytes;
    bytes.reserve(lines.size() * 64);
    for (const DataFields& fields : lines)
        AppendDataLine(bytes, fields, &m_replaced);
    return WriteBytes(bytes, lines.size());
}

bool DataFileWriter::WriteEncodedLines(const QByteArray& bytes, qint64 lineCount, int replaced) {
    m_replaced += replaced;
    return WriteBytes(bytes, lineCount);
}

bool DataFileWriter::WriteBytes(const QByteArray& bytes, qint64 lineCount) {
    if (!m_file.isOpen()) {
        m_error = QStringLiteral("No data file is open.");
        return false;
    }
    m_file.unsetError();
    errno = 0;
    const qint64 written = m_file.write(bytes);
    const int writeErrno = errno;
    if (written != bytes.size()) {
        // A write cut short reports no error of its own; the system's errno says why.
        const QString reason = m_file.error() != QFileDevice::NoError ? m_file.errorString()
                               : writeErrno != 0                      ? qt_error_string(writeErrno)
                                                 : QStringLiteral("the line was cut short");
        // Take back a part line, so that the file still ends at a whole line.
        if (written != 0 && m_file.resize(m_size))
            m_file.seek(m_size);
        return Fail(reason);
    }
    m_size += written;
    m_lines += lineCount;
    m_error.clear();
    return true;
}

bool DataFileWriter::Sync() {
    if (!m_file.isOpen()) {
        m_error.clear();
        return true;
    }
#ifdef Q_OS_WIN
    const int rc = ::_commit(m_file.handle());
#else
    const int rc = ::fsync(m_file.handle());
#endif
    // Devices and pipes cannot be synchronised; that is no loss of data.
    if (rc != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP)
        return Fail(qt_error_string(errno));
    m_error.clear();
    return true;
}

bool DataFileWriter::Close() {
    if (!m_file.isOpen())
        return true;
    const bool synced = Sync();
    m_file.unsetError();
    m_file.close();
    if (synced && m_file.error() != QFileDevice::NoError)
        return Fail(m_file.errorString());
    return synced;
}
