#include "serve/share_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

ShareWindow::ShareWindow(bool on, const QString& listen, const QString& markToken, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("Share"));
    setWindowTitle(QStringLiteral("Share live view"));
    shareToggle_ = new QCheckBox(QStringLiteral("Share live view"), this);
    shareToggle_->setObjectName(QStringLiteral("ChkShare"));
    shareToggle_->setChecked(on);
    listenAddressEntry_ = new QLineEdit(listen, this);
    listenAddressEntry_->setObjectName(QStringLiteral("TxtListen"));
    listenAddressEntry_->setAccessibleName(QStringLiteral("Address and port"));
    listenAddressEntry_->setToolTip(
        QStringLiteral("127.0.0.1 serves this computer only; 0.0.0.0 or an "
                       "interface's address serves the network"));
    markTokenEntry_ = new QLineEdit(markToken, this);
    markTokenEntry_->setObjectName(QStringLiteral("TxtMarkToken"));
    markTokenEntry_->setAccessibleName(QStringLiteral("Mark token"));
    markTokenEntry_->setPlaceholderText(QStringLiteral("none: the page places no marks"));
    markTokenEntry_->setToolTip(
        QStringLiteral("With a token the live page shows a form that places marks, and POST "
                       "/api/mark takes them with Authorization: Bearer TOKEN"));
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("LblShareState"));
    state_->setWordWrap(true);
    state_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* form = new QFormLayout(this);
    form->addRow(shareToggle_);
    form->addRow(QStringLiteral("Address and port:"), listenAddressEntry_);
    form->addRow(QStringLiteral("Mark token:"), markTokenEntry_);
    form->addRow(state_);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(shareToggle_, &QCheckBox::toggled, this, [this](bool checked) {
        Q_EMIT Changed(checked, listenAddressEntry_->text().trimmed(),
                       markTokenEntry_->text().trimmed());
    });
    ShowState(on, QString());
}

void ShareWindow::ShowState(bool on, const QString& text) {
    // The address is chosen while not sharing; a change then needs no restart rule.
    listenAddressEntry_->setEnabled(!on);
    markTokenEntry_->setEnabled(!on);
    if (shareToggle_->isChecked() != on) {
        const QSignalBlocker quiet(shareToggle_);
        shareToggle_->setChecked(on);
    }
    state_->setText(text);
}
