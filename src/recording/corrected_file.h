#pragma once

// The corrected readings of a recording, beside its data file in "<data file>.corrected": the
// data file keeps what the meter read, byte for byte, and this file holds, for each record a
// calibration correction was in force for, the readings as corrected and the corrections in
// force. UTF-8, TAB-separated, LF:
//
//   # Corvilab corrected readings; the data file keeps what the meter read
//   # from record 1: T1 offset -0.3 °C
//   No.<TAB>Date Time<TAB>T1<TAB>T2<TAB>T3<TAB>T4<TAB>Corrected<TAB>Beyond
//   1<TAB>2026/12/08 10:00:00<TAB>24.1<TAB>25.0<TAB>99.8<TAB>- - -<TAB>T1 T3<TAB>T3
//
// "Corrected" names the channels whose reading was corrected, "Beyond" those read outside
// their calibrated points. A channel not named shows what the meter read.

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <QStringList>

#include <array>
#include <utility>
#include <vector>

struct CorrectedRow {
    // Of the corrected channels, empty for the others: the bytes as the file holds them, valid
    // while the CorrectedReadings they came from (or a copy of it) is.
    std::array<QByteArrayView, 4> texts;
    std::array<bool, 4> corrected{}, beyond{};
};

// "run.4ch" -> "run.4ch.corrected"
QString CorrectedFileName(const QString& dataFile);

class CorrectedFileWriter {
public:
    // Creates or replaces the file with its heading. False with ErrorText() set.
    bool Open(const QString& path);
    // The corrections in force from record `fromRecord` on, written before the next record.
    bool WriteCorrections(qint64 fromRecord, const QStringList& lines);
    // `texts`: every channel's as shown; `corrected`, `beyond`: which channels are.
    bool WriteRecord(qint64 recordNumber, const QString& dateTimeText,
                     const std::array<QString, 4>& texts, const std::array<bool, 4>& corrected,
                     const std::array<bool, 4>& beyond);
    bool Close();
    bool IsOpen() const { return file_.isOpen(); }
    QString ErrorText() const { return error_; }

private:
    bool Write(const QByteArray& bytes);
    QFile file_;
    QString error_;
};

// A data file's corrected readings by record number, and the corrections' lines ("from record
// 1: T1 offset -0.3 °C"); both empty when there is no such file.
struct CorrectedReadings {
    QStringList corrections;
    bool IsEmpty() const { return rows.empty(); }
    qsizetype Size() const { return qsizetype(rows.size()); }
    const CorrectedRow* Row(qint64 recordNumber) const;

    // In the order of the file, which is the order of the record numbers.
    std::vector<std::pair<qint64, CorrectedRow>> rows;
    QByteArray bytes; // the file's, which the rows' texts point into; never changed
};
CorrectedReadings ReadCorrectedOf(const QString& dataFile);
