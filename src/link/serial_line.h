#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

class QSocketNotifier;

// The meter's serial line: a terminal device at 19200 baud, 8 data bits, no parity, 1 stop bit,
// no flow control, raw, held by this program alone.
//
// The bytes stay in the system's buffer until the program reads them: the device wakes the
// program only while somebody waits for `readyRead`. A general serial port reads every piece the
// line delivers as it comes, which at the meter's pace is a hundred wake-ups a second more than
// the polling loop needs.
//
// A line that goes away (a pulled adapter, the other end of a pseudo-terminal closed) is closed
// at once and reported once by `Failed`; `open` tries it again.
class SerialLine : public QIODevice {
    Q_OBJECT
public:
    explicit SerialLine(const QString& path, QObject* parent = nullptr);
    ~SerialLine() override;

    QString Path() const { return path_; }

    bool open(OpenMode mode) override;
    void close() override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    qint64 bytesToWrite() const override { return pending_.size(); }
    bool waitForBytesWritten(int msecs) override;
    // Drops what the line holds unread and unsent.
    void Clear();

Q_SIGNALS:
    // The line went away; the device is closed by now.
    void Failed(const QString& reason);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;
    void connectNotify(const QMetaMethod& signal) override;

private:
    void Fail(int error);
    // Writes what is pending as far as the line takes it. False on a fatal error.
    bool Flush();

    QString path_;
    int fd_ = -1;
    QByteArray pending_; // written by the program, not yet taken by the line
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
};
