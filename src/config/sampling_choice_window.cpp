#include "config/sampling_choice_window.h"

#include "config/setup_window.h"
#include "ui/dialogs.h"

#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

SamplingChoiceWindow::SamplingChoiceWindow(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("SamplingChoice"));
    setWindowTitle(QStringLiteral("Sampling Rate"));
    setAccessibleName(QStringLiteral("Sampling rate choice"));

    meterOption_ = new QRadioButton(QStringLiteral("Meter Sampling Rate"), this);
    meterOption_->setObjectName(QStringLiteral("OptMeter"));
    meterOption_->setAccessibleName(meterOption_->text());
    meterOption_->setChecked(true);
    pcOption_ = new QRadioButton(QStringLiteral("PC Sampling Rate"), this);
    pcOption_->setObjectName(QStringLiteral("OptPC"));
    pcOption_->setAccessibleName(pcOption_->text());
    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("CmdOK"));
    cmdOK->setAccessibleName(QStringLiteral("OK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &SamplingChoiceWindow::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(meterOption_);
    layout->addWidget(pcOption_);
    layout->addWidget(cmdOK, 0, Qt::AlignHCenter);

    if (parent)
        move(parent->frameGeometry().topLeft() +
             QPoint(TwipsToPixels(parent, 800), TwipsToPixels(parent, 1000)));
}

bool SamplingChoiceWindow::PcChosen() const {
    return pcOption_->isChecked();
}

std::optional<QString> DialogPrompts::Ask(const QString& title, const QString& prompt,
                                          const QString& defaultText) {
    return dialogs_.Input(parent_, title, prompt, defaultText);
}

void DialogPrompts::Refuse(const QString& text) {
    dialogs_.Critical(parent_, text);
}

void RunSamplingCommand(QWidget* panel, Dialogs& dialogs, SamplingTimeCommand& command) {
    {
        SamplingChoiceWindow choice(panel);
        if (dialogs.Exec(choice) == QDialog::Accepted)
            command.SetSamplingPC(choice.PcChosen());
    }
    DialogPrompts prompts(dialogs, panel);
    command.Run(prompts);
}
