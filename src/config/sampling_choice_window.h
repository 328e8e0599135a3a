#pragma once

#include "config/sampling_time_command.h"

#include <QDialog>

class Dialogs;
class QRadioButton;

// "Sampling Rate": whether the interval entered next is the meter's logger interval or the PC's
// sampling time. Made anew each time, so the meter's is selected whenever it opens.
class SamplingChoiceWindow : public QDialog {
    Q_OBJECT
public:
    explicit SamplingChoiceWindow(QWidget* parent = nullptr);

    // Whether `OptPC` is selected.
    bool PcChosen() const;

private:
    QRadioButton* meterOption_;
    QRadioButton* pcOption_;
};

// The sampling-time command's boxes as real input and message boxes.
class DialogPrompts : public CommandPrompts {
public:
    DialogPrompts(Dialogs& dialogs, QWidget* parent)
        : dialogs_(dialogs)
        , parent_(parent) {}
    std::optional<QString> Ask(const QString& title, const QString& prompt,
                               const QString& defaultText) override;
    void Refuse(const QString& text) override;

private:
    Dialogs& dialogs_;
    QWidget* parent_;
};

// The toolbar's "Sampling": the choice window, then the interval of the chosen target. Closing
// the choice without OK keeps the previous choice.
void RunSamplingCommand(QWidget* panel, Dialogs& dialogs, SamplingTimeCommand& command);
