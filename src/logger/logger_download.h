#pragma once

#include "link/line_reader.h"
#include "logger/logger_dump.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class LoggerMemory;
class MeterLink;

// Reads the meter's logger memory into LoggerMemory: the automatic data ("R", split into sets)
// or the manual entries ("Q"). Polling is off for the whole download and comes back as it was
// on every way out; sampling goes on (the readings' own age decides what is sampled). The dump is
// found in the line as the first frame of its own after the command (live packets before it are
// decoded) and counted to its expected length; it never waits forever: it ends when the meter sends
// nothing for a while, when the link is lost, or when the user cancels. A dump that stops short is
// cut, also when the meter's live packets come after a pause in its flow (DumpReception tells them
// apart). Between reads it waits for input with the user interface running; it never spins.
class LoggerDownload : public QObject {
    Q_OBJECT
public:
    struct Limits {
        int silenceMs = 5000;          // no byte for this long ends the transfer
        int pauseMs = 30;              // no byte for this long is a pause in the dump's flow
        int passWaitMs = 50;           // longest wait for input between two reads
        double replyWaitSeconds = 0.2; // the wait for the reply to "Y" 00
    };

    enum class Outcome {
        Completed,
        NoData,    // nothing stored: MemoryAddress 8192, or ManualCount 0
        Busy,      // a download is already running
        Silent,    // the dump stopped short: the meter fell silent or sent live packets
        LinkLost,  // the port went away during the download
        Cancelled, // the user cancelled, or the program is ending
    };

    LoggerDownload(MeterLink& link, LoggerMemory& memory, QObject* parent = nullptr);

    void SetLimits(const Limits& limits) { limits_ = limits; }
    const Limits& GetLimits() const { return limits_; }

    // The automatic path: status query, memory size query, the "R" dump, the split into sets.
    // Emits AutomaticDataAnnounced once the memory figures are known and data is stored, then
    // Progress during the transfer. On Completed, the memory holds the new sets (and whether the
    // whole data could be split); on any other outcome the sets of the last download stay.
    Outcome DownloadAutomatic();

    // The manual path: status query and the "Q" dump. Emits ManualDataAnnounced with the count
    // before the transfer, then Progress. On Completed, the memory holds the new entries.
    Outcome DownloadManual();

    // Ends the running transfer at its next pass (a click on Cancel, a window being closed).
    void Cancel() { cancelRequested_ = true; }
    bool Busy() const { return busy_; }

    // Bytes received by the last transfer, and how many were expected.
    qint64 Received() const { return received_; }
    qint64 Expected() const { return expected_; }

    // What to tell the user about an outcome that is not a success; empty for the others.
    QString OutcomeText(Outcome outcome) const;

Q_SIGNALS:
    void AutomaticDataAnnounced(const MemoryCapacity& capacity);
    void ManualDataAnnounced(int manualCount);
    // "37.5% Completed"; sent only when the text changes.
    void Progress(const QString& text);

private:
    // The steps both paths begin with: one download at a time, timers off, the status query.
    // Then `path`, whose outcome is returned.
    Outcome Run(Outcome (LoggerDownload::*path)());
    Outcome ReadAutomatic();
    Outcome ReadManual();
    // Sends `command` after a fresh status query and receives its dump of `expected` bytes.
    Outcome ReadDump(const QByteArray& command, const ReplyShape& shape, qint64 expected,
                     QByteArray* dump);
    Outcome BlockTransfer(const ReplyShape& shape, qint64 expected, QByteArray* dump);
    bool LinkUsable() const;

    MeterLink& link_;
    LoggerMemory& memory_;
    Limits limits_;
    bool busy_ = false;
    bool cancelRequested_ = false;
    qint64 received_ = 0;
    qint64 expected_ = 0;
};
