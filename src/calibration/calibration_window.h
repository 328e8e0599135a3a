#pragma once

// The window "Calibration": the probes' corrections, one row per channel T1 to T4 with the kind,
// the unit and the numbers as the calibration file writes them ("-0.3"; "0 0.4 100 99.2";
// "32 0.2 212 -0.3"). "Open..." fills the rows from a file, "Save..." writes them to one, "OK"
// and "Apply" remember them for the next start and ask for them to be put in force
// (`Applied`). A row that cannot be read is refused with a message naming its channel, and
// nothing changes. The window only asks; the program applies.

#include "calibration/calibration.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>

class Dialogs;
class QComboBox;
class QLineEdit;
class QPushButton;

class CalibrationWindow : public QDialog {
    Q_OBJECT
public:
    // `inForce` gives the corrections in force, which the window shows each time it opens.
    CalibrationWindow(std::function<Calibration()> inForce, Dialogs& dialogs,
                      QWidget* parent = nullptr);

    // The corrections remembered by the last "OK" or "Apply"; empty when none were, or when
    // what was remembered no longer reads.
    static std::optional<Calibration> RememberedCalibration();

    // The rows show `calibration` (a channel corrected in both units shows its °C correction).
    void ShowCalibration(const Calibration& calibration);
    // The rows read as corrections; empty and `error` set ("T2: offset takes one number, the
    // correction") when a row cannot be read.
    std::optional<Calibration> Entered(QString* error) const;

    // "Apply": the rows in force and remembered. False, with a message, for a row that cannot be
    // read; then nothing changes.
    bool Apply();
    // "Open...": a calibration file into the rows (not yet in force). False when cancelled or
    // refused; a file that cannot be read is named with its line, and the rows stay as they were.
    bool OpenFile();
    // "Save...": the rows into a calibration file. False when cancelled or refused.
    bool SaveFile();

    QComboBox* KindChoice(int channel) const { return rows_[size_t(channel)].kind; }
    QComboBox* UnitChoice(int channel) const { return rows_[size_t(channel)].unit; }
    QLineEdit* NumbersEntry(int channel) const { return rows_[size_t(channel)].numbers; }

Q_SIGNALS:
    // "OK" or "Apply" with rows that read: these corrections are to be in force.
    void Applied(const Calibration& calibration);

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Row {
        QComboBox* kind = nullptr;
        QComboBox* unit = nullptr;
        QLineEdit* numbers = nullptr;
    };

    std::function<Calibration()> inForce_;
    Dialogs& dialogs_;
    std::array<Row, 4> rows_{};
    // What the rows were last filled from. A channel corrected in both units shows one of them;
    // the other is kept as it was.
    Calibration shown_;
    std::array<bool, 4> shownUnitF_{};
};
