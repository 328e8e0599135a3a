#pragma once

// The ".4ch" data file: every line the program writes to or reads from a data file goes through
// this module, so that a file from any writer opens in the reader.
//
// A line is six fields, each followed by one TAB (the sixth too), then CR LF (the last line
// too). Bytes are Windows-1252 (the degree sign is 0xB0), with no byte-order mark. Line 1 is the
// heading: unit text, "Date Time", "T1 - K" ... "T4 - J". Every further line is a record: record
// number, "yyyy/mm/dd hh:nn:ss", and the four reading texts as shown ("23.4", "-.5", "- - -",
// "Over", "Under"). Fields are written as they are: no quoting, trimming or padding.

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <functional>

class QDateTime;
class QIODevice;

// The six fields of one line, in column order: record number (or unit text), date and time,
// T1, T2, T3, T4.
using DataFields = std::array<QString, 6>;

// A recording continues in a new file, and the live list dumps itself, after this many records.
constexpr int RecordsPerDataFile = 320000;

// What the file dialogs offer, in Qt's filter syntax.
QString DataFileDialogFilter();

// ---- Building lines -------------------------------------------------------------------------

// "yyyy/mm/dd hh:nn:ss", four-digit year, 24-hour clock; the same text goes into files and lists.
QString DateTimeText(const QDateTime& dateTime);

// The heading line's fields: unitText ("°C" or "°F"), "Date Time", "T1 - " + typeLetters[0] ...
DataFields HeadingFields(const QString& unitText, const std::array<QString, 4>& typeLetters);

// A record line's fields: the record number as a plain decimal, the date-time text, four texts.
DataFields RecordFields(qint64 recordNumber, const QString& dateTimeText,
                        const std::array<QString, 4>& valueTexts);

// ---- Bytes ----------------------------------------------------------------------------------

// Characters that Windows-1252 cannot hold are written as this byte ('?'). A CR or LF inside a
// field would break the line apart in every reader, so it is written as a blank instead.
constexpr char Windows1252Replacement = '?';

// Text to Windows-1252 bytes. `replaced`, when given, is increased by the number of characters
// written as the replacement byte (a character outside the Basic Multilingual Plane counts once).
QByteArray EncodeWindows1252(QStringView text, int* replaced = nullptr);

// Windows-1252 bytes to text. Total: the five bytes that code page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the control characters of the same number, and encode back to
// themselves.
QString DecodeWindows1252(const char* bytes, qsizetype size);

// One whole line as the file holds it: each field, TAB, ..., CR LF, in Windows-1252.
QByteArray EncodeDataLine(const DataFields& fields, int* replaced = nullptr);
// The same line appended to `out`, so that many lines go into one buffer.
void AppendDataLine(QByteArray& out, const DataFields& fields, int* replaced = nullptr);
// One field and its TAB appended to `out`, as in a line above.
void AppendDataField(QByteArray& out, QStringView text, int* replaced = nullptr);

// ---- Reading --------------------------------------------------------------------------------

enum class DataFileEncoding {
    Windows1252, // the program's own files, and any file that is not valid UTF-8
    Utf8,        // valid UTF-8 holding at least one non-ASCII byte, or starting with a BOM
};

// Which encoding a file's bytes are in (a file of plain ASCII reads the same either way and is
// reported as Windows-1252).
DataFileEncoding DetectEncoding(const char* bytes, qsizetype size);

// The reader's split rule, six times over: the field is the text before the first TAB of the
// remaining text; the remaining text moves past that TAB unless the TAB is its last character.
// So a line with more than six TABs gives its first six fields, a line ending in a TAB with fewer
// fields repeats its last field, and any other line (no TAB at all, an empty line, six fields
// without the last TAB) cannot be split: false, and `fields` is left in an unspecified state.
bool SplitDataLine(QStringView line, DataFields* fields);

struct DataFileReadResult {
    bool opened = false;      // false: `error` says why the file could not be read at all
    bool complete = false;    // every line was split and handed over, up to the end of the file
    bool cancelled = false;   // the line handler asked to stop
    qint64 linesRead = 0;     // lines handed over, heading included
    qint64 stoppedAtLine = 0; // 1-based number of the first line that could not be split, or 0
    DataFileEncoding encoding = DataFileEncoding::Windows1252;
    QString error;
};

// Called once per line that was split, line 1 being the heading line. Return false to stop.
using DataLineHandler = std::function<bool(qint64 lineNumber, const DataFields& fields)>;

// The six fields of a line as the file holds them, before decoding: for readers that turn bytes
// into other bytes (a table, CSV) without a QString per field. Valid during the call only.
using DataFieldBytes = std::array<QByteArrayView, 6>;
using DataBytesHandler =
    std::function<bool(qint64 lineNumber, const DataFieldBytes& fields, DataFileEncoding encoding)>;

// The fields' bytes as text.
void DecodeDataFields(const DataFieldBytes& bytes, DataFileEncoding encoding, DataFields* fields);

// Splits a whole file's bytes into lines (CR LF; a bare LF or CR is taken as a line end too, for
// files edited elsewhere) and each line into six fields, stopping at the first line that cannot
// be split. A final line end does not start another line; an empty line before the end does and
// stops the reading. A UTF-8 byte-order mark is skipped.
DataFileReadResult ParseDataFile(const char* bytes, qsizetype size, const DataLineHandler& onLine);
DataFileReadResult ParseDataFile(const QByteArray& bytes, const DataLineHandler& onLine);

// How much of a file the reader holds at once. A file is read as a stream through this buffer,
// so that a file of gigabytes chosen by mistake costs no more memory than a small one. A line
// longer than the buffer is no data line: the reading stops there as at any line that cannot
// be split.
constexpr qsizetype DataFileBufferBytes = 64 * 1024;

// Reads `device` from where it stands to its end and parses it as above. The encoding is decided
// from the whole lines of the first buffer's worth of bytes (for most files, the whole file).
// A read error ends the reading with the reason in `error`; `opened` is false when it happened
// before the first line.
DataFileReadResult ReadDataLines(QIODevice& device, const DataBytesHandler& onLine,
                                 qsizetype bufferBytes = DataFileBufferBytes);

// Opens the file at `path` and reads it as above.
DataFileReadResult ReadDataFile(const QString& path, const DataBytesHandler& onLine);
DataFileReadResult ReadDataFile(const QString& path, const DataLineHandler& onLine);

// ---- File names -----------------------------------------------------------------------------

// The name of a recording's continuation file number `continuationNo`: the file name (after the
// last '/' or '\') is cut before its first '.', and "-" and the number go in between, so
// "C:\data\run.4ch" gives "C:\data\run-1.4ch" and "run.final.4ch" gives "run-1.final.4ch". A file
// name without a '.' gets the suffix at its end. Dots in folder names are left alone (they used
// to split the path there, which put continuation files into folders that do not exist).
QString ContinuationFileName(const QString& path, int continuationNo);

// The live list's dump file: the clock's "mmddhhnnss" + ".4ch", e.g. 0808140509.4ch, a bare
// name, so the file goes to the current working directory.
QString DumpFileName(const QDateTime& now);

// ---- Writing --------------------------------------------------------------------------------

// Writes a data file line by line. Each call writes whole lines with one write to the system and
// returns after they left the program, so a crash of the program never leaves a part of a line;
// when the system takes only a part (a full disk), the file is cut back to its last whole line.
// Failures are reported, never thrown: the call returns false and ErrorText() says why. A failed
// write leaves the file open, so the next write can try again.
class DataFileWriter {
public:
    DataFileWriter() = default;
    ~DataFileWriter(); // closes the file; a failure there can no longer be reported: call Close()
    DataFileWriter(const DataFileWriter&) = delete;
    DataFileWriter& operator=(const DataFileWriter&) = delete;

    // Creates the file, or replaces an existing one (never appends). Closes a file already open.
    bool Open(const QString& path);
    bool WriteLine(const DataFields& fields);
    // All lines with one write: for table saves, which would otherwise spend their time in the
    // system. Still only whole lines reach the file.
    bool WriteLines(const QList<DataFields>& lines);
    // Lines already in the file's bytes (whole lines, each ended by CR LF), with the number of
    // characters written as '?' in them.
    bool WriteEncodedLines(const QByteArray& bytes, qint64 lineCount, int replaced);
    // Asks the system to put the written lines onto the disk.
    bool Sync();
    // Syncs and closes. True when everything written is on the disk; closing a writer that is not
    // open is true and does nothing.
    bool Close();

    bool IsOpen() const { return m_file.isOpen(); }
    QString Path() const { return m_file.fileName(); }
    // Why the last call failed; empty after a call that succeeded.
    QString ErrorText() const { return m_error; }
    qint64 LinesWritten() const { return m_lines; }
    // Characters written as '?' because Windows-1252 cannot hold them, since Open.
    int ReplacedCharacters() const { return m_replaced; }

private:
    bool WriteBytes(const QByteArray& bytes, qint64 lineCount);
    bool Fail(const QString& reason);

    QFile m_file;
    qint64 m_size = 0; // bytes of whole lines in the file
    qint64 m_lines = 0;
    int m_replaced = 0;
    QString m_error;
};
