#include "logger/logger_download.h"

#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "logger/dump_reception.h"
#include "logger/logger_memory.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>

LoggerDownload::LoggerDownload(MeterLink& link, LoggerMemory& memory, QObject* parent)
    : QObject(parent)
    , link_(link)
    , memory_(memory) {}

bool LoggerDownload::LinkUsable() const {
    const QIODevice* device = link_.Device();
    return device && device->isOpen() && !link_.IsCancelled();
}

LoggerDownload::Outcome LoggerDownload::BlockTransfer(const ReplyShape& shape, qint64 expected,
                                                      QByteArray* dump) {
    DumpReception reception(expected);
    received_ = 0;
    expected_ = expected;
    QString shown;
    QElapsedTimer silence;
    silence.start();
    bool started = false;
    for (;;) {
        if (cancelRequested_ || link_.IsCancelled())
            return Outcome::Cancelled;
        if (!LinkUsable())
            return Outcome::LinkLost;
        // Live packets before the dump are the stream's; the dump begins with its own frame.
        started = started || link_.DumpStarted(shape);
        const QByteArray chunk = started ? link_.TakeLine() : QByteArray();
        if (!chunk.isEmpty()) {
            reception.Append(chunk, silence.elapsed() >= limits_.pauseMs);
            silence.restart();
        } else if (silence.elapsed() >= limits_.silenceMs) {
            reception.Finish();
        }
        received_ = reception.Received();
        const QString text = TransferProgressText(received_, expected);
        if (text != shown) {
            shown = text;
            Q_EMIT Progress(text);
        }
        switch (reception.Status()) {
        case DumpReception::State::Complete:
            *dump = reception.Dump();
            link_.Unread(reception.Rest());
            return Outcome::Completed;
        case DumpReception::State::Cut:
            link_.Unread(reception.Rest());
            return Outcome::Silent;
        case DumpReception::State::Receiving:
            break;
        }
        link_.WaitForInput(limits_.passWaitMs);
    }
}

LoggerDownload::Outcome LoggerDownload::ReadDump(const QByteArray& command, const ReplyShape& shape,
                                                 qint64 expected, QByteArray* dump) {
    if (cancelRequested_ || !link_.QueryStatus())
        return Outcome::Cancelled;
    link_.SendCommand(command);
    // No wait before the transfer: reading from the start is what shows where the flow stops.
    return BlockTransfer(shape, expected, dump);
}

LoggerDownload::Outcome LoggerDownload::Run(Outcome (LoggerDownload::*path)()) {
    if (busy_)
        return Outcome::Busy;
    QScopedValueRollback<bool> running(busy_, true);
    cancelRequested_ = false;
    // Sampling goes on: a recording keeps its whole seconds, and leaves a hole only once the
    // readings have gone stale behind a long dump.
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::Polling);
    link_.CatchUp();
    if (!link_.QueryStatus())
        return Outcome::Cancelled;
    return (this->*path)();
}

LoggerDownload::Outcome LoggerDownload::DownloadAutomatic() {
    return Run(&LoggerDownload::ReadAutomatic);
}

LoggerDownload::Outcome LoggerDownload::DownloadManual() {
    return Run(&LoggerDownload::ReadManual);
}

LoggerDownload::Outcome LoggerDownload::ReadAutomatic() {
    link_.SendCommand(QByteArray("Y\0", 2));
    const int sizeCode = MemorySizeCodeOf(
        link_.AwaitReply(ReplyShape::Short(), limits_.replyWaitSeconds).value_or(QByteArray()));
    link_.SetMemorySizeCode(sizeCode);
    const quint32 address = link_.MemoryAddress();
    if (address <= EmptyMemoryAddress)
        return Outcome::NoData;

    const MemoryCapacity capacity =
        MemoryCapacityOf(sizeCode, address, link_.Live().MeterStatus7());
    Q_EMIT AutomaticDataAnnounced(capacity);
    // The status query before the dump may report more data than the first one (the meter is
    // recording); the dump is read against the first, as the window already shows it.
    QByteArray dump;
    const Outcome outcome = ReadDump(QByteArrayLiteral("R"), ReplyShape::AutomaticDump(),
                                     AutomaticDumpSize(address), &dump);
    if (outcome != Outcome::Completed)
        return outcome;

    memory_.KeepAutomaticData(address, capacity, SplitSets(AutomaticDataOfDump(dump, address)));
    return Outcome::Completed;
}

LoggerDownload::Outcome LoggerDownload::ReadManual() {
    const int count = link_.ManualCount();
    if (count <= 0)
        return Outcome::NoData;
    Q_EMIT ManualDataAnnounced(count);
    QByteArray dump;
    const Outcome outcome = ReadDump(QByteArrayLiteral("Q"), ReplyShape::ManualDump(count),
                                     ManualDumpSize(count), &dump);
    if (outcome != Outcome::Completed)
        return outcome;

    memory_.KeepManualEntries(SplitManualEntries(ManualEntriesOfDump(dump, count), count).entries);
    return Outcome::Completed;
}

QString LoggerDownload::OutcomeText(Outcome outcome) const {
    const QString got = QStringLiteral("%1 of %2 bytes").arg(received_).arg(expected_);
    switch (outcome) {
    case Outcome::Silent:
        return QStringLiteral("The meter stopped sending after %1. "
                              "The download was ended; nothing was read.")
            .arg(got);
    case Outcome::LinkLost:
        return QStringLiteral("The connection to the meter was lost after %1. "
                              "The download was ended; nothing was read.")
            .arg(got);
    case Outcome::Completed:
    case Outcome::NoData:
    case Outcome::Busy:
    case Outcome::Cancelled:
        break;
    }
    return {};
}
