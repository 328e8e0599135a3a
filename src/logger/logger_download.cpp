#include "logger/logger_download.h"

#include "link/delay.h"
#include "link/live_state.h"
#include "link/meter_link.h"
#include "link/meter_timers.h"
#include "logger/logger_memory.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>

#include <algorithm>

namespace {

// A status reply can announce up to 16 MB; memory is taken as the bytes come, beyond this.
constexpr qint64 kLargestReservation = 1 << 20;

} // namespace

LoggerDownload::LoggerDownload(MeterLink& link, LoggerMemory& memory, QObject* parent)
    : QObject(parent)
    , link_(link)
    , memory_(memory) {}

bool LoggerDownload::LinkUsable() const {
    const QIODevice* device = link_.Device();
    return device && device->isOpen() && !link_.IsCancelled();
}

LoggerDownload::Outcome LoggerDownload::OutcomeOf(Transfer transfer) {
    switch (transfer) {
    case Transfer::Complete:
        return Outcome::Completed;
    case Transfer::Silent:
        return Outcome::Silent;
    case Transfer::LinkLost:
        return Outcome::LinkLost;
    case Transfer::Cancelled:
        break;
    }
    return Outcome::Cancelled;
}

LoggerDownload::Transfer LoggerDownload::BlockTransfer(qint64 expected, QByteArray* buffer) {
    buffer->clear();
    buffer->reserve(std::min(expected, kLargestReservation));
    received_ = 0;
    expected_ = expected;
    QString shown;
    QElapsedTimer silence;
    silence.start();
    for (;;) {
        if (cancelRequested_ || link_.IsCancelled())
            return Transfer::Cancelled;
        if (!LinkUsable())
            return Transfer::LinkLost;
        const QByteArray chunk = link_.ReadInput();
        if (!chunk.isEmpty()) {
            buffer->append(chunk);
            silence.restart();
        }
        received_ = std::min<qint64>(buffer->size(), expected);
        const QString text = TransferProgressText(received_, expected);
        if (text != shown) {
            shown = text;
            Q_EMIT Progress(text);
        }
        if (received_ >= expected)
            return Transfer::Complete;
        if (silence.elapsed() >= limits_.silenceMs)
            return Transfer::Silent;
        link_.WaitForInput(limits_.passWaitMs);
    }
}

LoggerDownload::Outcome LoggerDownload::DownloadAutomatic() {
    if (busy_)
        return Outcome::Busy;
    QScopedValueRollback<bool> running(busy_, true);
    cancelRequested_ = false;
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::PollingAndSampling);

    link_.FlushInput();
    if (!link_.QueryStatus())
        return Outcome::Cancelled;
    link_.SendCommand(QByteArray("Y\0", 2));
    Delay(limits_.replyWaitSeconds, link_.GetClock());
    const int sizeCode = MemorySizeCodeOf(link_.ReadInput());
    const quint32 address = link_.MemoryAddress;
    if (address <= EmptyMemoryAddress)
        return Outcome::NoData;

    const MemoryCapacity capacity = MemoryCapacityOf(sizeCode, address, link_.Live().MeterStatus7);
    Q_EMIT AutomaticDataAnnounced(capacity);
    if (cancelRequested_)
        return Outcome::Cancelled;

    if (!link_.QueryStatus())
        return Outcome::Cancelled;
    // The status query just now may report more data than the first one (the meter is
    // recording); the dump is read against the first, as the window already shows it.
    link_.SendCommand(QByteArrayLiteral("R"));
    Delay(limits_.replyWaitSeconds, link_.GetClock());
    QByteArray dump;
    const Transfer transfer = BlockTransfer(AutomaticDumpSize(address), &dump);
    link_.FlushInput();
    if (transfer != Transfer::Complete)
        return OutcomeOf(transfer);

    memory_.MemorySizeCode = sizeCode;
    memory_.MemoryAddress = address;
    memory_.Capacity = capacity;
    memory_.Split = SplitSets(AutomaticDataOfDump(dump, address));
    return Outcome::Completed;
}

LoggerDownload::Outcome LoggerDownload::DownloadManual() {
    if (busy_)
        return Outcome::Busy;
    QScopedValueRollback<bool> running(busy_, true);
    cancelRequested_ = false;
    ExchangeGuard guard(link_.Timers(), ExchangeGuard::Pause::PollingAndSampling);

    link_.FlushInput();
    if (!link_.QueryStatus())
        return Outcome::Cancelled;
    const int count = link_.ManualCount;
    if (count <= 0)
        return Outcome::NoData;
    Q_EMIT ManualDataAnnounced(count);
    if (cancelRequested_)
        return Outcome::Cancelled;

    if (!link_.QueryStatus())
        return Outcome::Cancelled;
    link_.SendCommand(QByteArrayLiteral("Q"));
    Delay(limits_.replyWaitSeconds, link_.GetClock());
    QByteArray dump;
    const Transfer transfer = BlockTransfer(ManualDumpSize(count), &dump);
    link_.FlushInput();
    if (transfer != Transfer::Complete)
        return OutcomeOf(transfer);

    memory_.ManualEntries = SplitManualEntries(ManualEntriesOfDump(dump, count), count).entries;
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
