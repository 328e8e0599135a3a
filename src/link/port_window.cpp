#include "link/port_window.h"

#include "ui/remembered.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace {

// How the system names a port for opening and for the caption of `LblCOM`.
QString DeviceNameOf(const QSerialPortInfo& info) {
#ifdef Q_OS_WIN
    return info.portName();
#else
    return info.systemLocation();
#endif
}

QString UsbDetailsOf(const QSerialPortInfo& info) {
    QStringList parts;
    if (!info.description().isEmpty())
        parts << info.description();
    if (!info.manufacturer().isEmpty())
        parts << info.manufacturer();
    if (info.hasVendorIdentifier() && info.hasProductIdentifier())
        parts << QStringLiteral("USB %1:%2")
                     .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                     .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
    if (!info.serialNumber().isEmpty())
        parts << QStringLiteral("serial %1").arg(info.serialNumber());
    return parts.join(QStringLiteral(", "));
}

} // namespace

PortWindow::PortWindow(const PortChoice& preselect, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Port"));
    setWindowTitle(QStringLiteral("COM Port"));
    setAccessibleName(QStringLiteral("COM Port"));

    deviceManagerButton_ = new QPushButton(QStringLiteral("Device Manager"), this);
    deviceManagerButton_->setObjectName(QStringLiteral("CmdDevice"));
    deviceManagerButton_->setAccessibleName(QStringLiteral("Device Manager: how to find the port"));

    portChoice_ = new QComboBox(this);
    portChoice_->setObjectName(QStringLiteral("TxtCOM"));
    portChoice_->setEditable(true);
    portChoice_->setInsertPolicy(QComboBox::NoInsert);
    portChoice_->setMinimumContentsLength(22);
    portChoice_->setAccessibleName(QStringLiteral("Serial port"));
    portChoice_->lineEdit()->setAccessibleName(QStringLiteral("Serial port"));

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("CmdOK"));
    okButton_->setAccessibleName(QStringLiteral("OK: open the port"));
    okButton_->setDefault(true);

    deviceHelp_ = new QFrame(this);
    deviceHelp_->setObjectName(QStringLiteral("Picdevice"));
    deviceHelp_->setFrameShape(QFrame::StyledPanel);
    auto* help = new QLabel(deviceHelp_);
    help->setWordWrap(true);
    help->setTextFormat(Qt::PlainText);
#ifdef Q_OS_WIN
    help->setText(QStringLiteral(
        "Open the Device Manager, expand \"Ports (COM & LPT)\" and look up the USB-to-serial "
        "port there: its entry shows the COM number to choose here."));
#else
    help->setText(QStringLiteral(
        "The meter's USB-to-serial adapter appears as /dev/ttyUSB0 or /dev/ttyACM0 (the "
        "number grows with each adapter). Unplug and plug it in again to see which entry "
        "comes and goes below.\n\nOpening the port needs membership of the dialout group: "
        "sudo usermod -aG dialout $USER, then log out and in again."));
#endif
    help->setAccessibleName(QStringLiteral("How to find the port"));
    detected_ = new QLabel(deviceHelp_);
    detected_->setObjectName(QStringLiteral("LblDetected"));
    detected_->setTextFormat(Qt::PlainText);
    detected_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    detected_->setAccessibleName(QStringLiteral("Detected ports"));
    refreshButton_ = new QPushButton(QStringLiteral("OK"), deviceHelp_);
    refreshButton_->setObjectName(QStringLiteral("CmdGo"));
    refreshButton_->setAccessibleName(QStringLiteral("OK: refresh the port list"));
    auto* helpLayout = new QVBoxLayout(deviceHelp_);
    helpLayout->addWidget(help);
    helpLayout->addWidget(detected_);
    helpLayout->addWidget(refreshButton_, 0, Qt::AlignRight);
    deviceHelp_->setVisible(false);

    auto* row = new QHBoxLayout;
    row->addWidget(portChoice_, 1);
    row->addWidget(okButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(deviceManagerButton_);
    layout->addLayout(row);
    layout->addWidget(deviceHelp_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    RefreshPorts();
    const PortChoice chosen =
        preselect.simulated || !preselect.name.isEmpty() ? preselect : WorkingPort();
    if (chosen.simulated) {
        portChoice_->setCurrentIndex(portChoice_->findText(SimulatedText()));
    } else if (!chosen.name.isEmpty()) {
        const int listed = portChoice_->findData(chosen.name);
        if (listed >= 0)
            portChoice_->setCurrentIndex(listed);
        else
            portChoice_->setEditText(chosen.name);
    }

    connect(deviceManagerButton_, &QPushButton::clicked, this, &PortWindow::ShowDeviceHelp);
    connect(refreshButton_, &QPushButton::clicked, this, &PortWindow::HideDeviceHelp);
    connect(okButton_, &QPushButton::clicked, this, &PortWindow::Confirm);
    connect(portChoice_->lineEdit(), &QLineEdit::returnPressed, this, &PortWindow::Confirm);
    portChoice_->setFocus();
}

void PortWindow::RememberWorkingPort(const PortChoice& choice) {
    Remember(QStringLiteral("Port/Simulated"), choice.simulated);
    Remember(QStringLiteral("Port/Name"), choice.name);
}

PortChoice PortWindow::WorkingPort() {
    return {Remembered(QStringLiteral("Port/Simulated")).toBool(),
            Remembered(QStringLiteral("Port/Name")).toString()};
}

QString PortWindow::SimulatedText() {
    return QStringLiteral("Simulated meter");
}

void PortWindow::RefreshPorts() {
    const QString typed = portChoice_->currentText();
    portChoice_->clear();
    QStringList details;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString name = DeviceNameOf(info);
        const QString usb = UsbDetailsOf(info);
        portChoice_->addItem(usb.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, usb), name);
        details << (usb.isEmpty() ? name : QStringLiteral("%1: %2").arg(name, usb));
    }
#ifdef Q_OS_WIN
    for (int n = 1; n <= 16; ++n) {
        const QString name = QStringLiteral("COM%1").arg(n);
        if (portChoice_->findData(name) < 0)
            portChoice_->addItem(name, name);
    }
#endif
    portChoice_->addItem(SimulatedText());
    detected_->setText(details.isEmpty()
                           ? QStringLiteral("No serial port detected.")
                           : QStringLiteral("Detected ports:\n") + details.join(QLatin1Char('\n')));
    if (!typed.isEmpty())
        portChoice_->setEditText(typed);
}

PortChoice PortWindow::CurrentChoice() const {
    const QString text = portChoice_->currentText();
    if (text == SimulatedText())
        return {true, QString()};
    const int listed = portChoice_->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (listed >= 0 && !portChoice_->itemData(listed).toString().isEmpty())
        return {false, portChoice_->itemData(listed).toString()};
    return {false, text.trimmed()};
}

void PortWindow::ShowDeviceHelp() {
    RefreshPorts();
    deviceHelp_->setVisible(true);
}

void PortWindow::HideDeviceHelp() {
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("c:\\windows\\system32\\mmc.exe"),
                            {QStringLiteral("c:\\windows\\system32\\devmgmt.msc")});
#endif
    deviceHelp_->setVisible(false);
    RefreshPorts();
}

void PortWindow::Confirm() {
    if (chosen_)
        return;
    chosen_ = true;
    const PortChoice choice = CurrentChoice();
    // The window goes once the choice is made; the main window takes over from here.
    hide();
    Q_EMIT Chosen(choice);
}

void PortWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!chosen_)
        Q_EMIT Abandoned();
}
