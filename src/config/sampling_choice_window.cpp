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

    optMeter_ = new QRadioButton(QStringLiteral("Meter Sampling Rate"), this);
    optMeter_->setObjectName(QStringLiteral("OptMeter"));
    optMeter_->setAccessibleName(optMeter_->text());
    optMeter_->setChecked(true);
    optPC_ = new QRadioButton(QStringLiteral("PC Sampling Rate"), this);
    optPC_->setObjectName(QStringLiteral("OptPC"));
    optPC_->setAccessibleName(optPC_->text());
    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("CmdOK"));
    cmdOK->setAccessibleName(QStringLiteral("OK"));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &SamplingChoiceWindow::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(optMeter_);
    layout->addWidget(optPC_);
    layout->addWidget(cmdOK, 0, Qt::AlignHCenter);

    if (parent)
        move(parent->frameGeometry().topLeft() +
             QPoint(TwipsToPixels(parent, 800), TwipsToPixels(parent, 1000)));
}

bool SamplingChoiceWindow::PcChosen() const {
    return optPC_->isChecked();
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
