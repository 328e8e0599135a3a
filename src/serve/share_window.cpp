#include "serve/share_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

ShareWindow::ShareWindow(bool on, const QString& listen, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("Share"));
    setWindowTitle(QStringLiteral("Share live view"));
    chkShare_ = new QCheckBox(QStringLiteral("Share live view"), this);
    chkShare_->setObjectName(QStringLiteral("ChkShare"));
    chkShare_->setChecked(on);
    txtListen_ = new QLineEdit(listen, this);
    txtListen_->setObjectName(QStringLiteral("TxtListen"));
    txtListen_->setAccessibleName(QStringLiteral("Address and port"));
    txtListen_->setToolTip(QStringLiteral("127.0.0.1 serves this computer only; 0.0.0.0 or an "
                                          "interface's address serves the network"));
    lblState_ = new QLabel(this);
    lblState_->setObjectName(QStringLiteral("LblShareState"));
    lblState_->setWordWrap(true);
    lblState_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* form = new QFormLayout(this);
    form->addRow(chkShare_);
    form->addRow(QStringLiteral("Address and port:"), txtListen_);
    form->addRow(lblState_);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(chkShare_, &QCheckBox::toggled, this,
            [this](bool checked) { Q_EMIT Changed(checked, txtListen_->text().trimmed()); });
    ShowState(on, QString());
}

void ShareWindow::ShowState(bool on, const QString& text) {
    // The address is chosen while not sharing; a change then needs no restart rule.
    txtListen_->setEnabled(!on);
    if (chkShare_->isChecked() != on) {
        const QSignalBlocker quiet(chkShare_);
        chkShare_->setChecked(on);
    }
    lblState_->setText(text);
}
