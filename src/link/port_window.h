#pragma once

#include <QMetaType>
#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

// The port the user confirmed: the simulated meter, or a serial port by name ("COM3",
// "/dev/ttyUSB0").
struct PortChoice {
    bool simulated = false;
    QString name;
};

// The start-up window "COM Port": lists the system's serial ports and the simulated meter,
// takes a typed device name, and explains where to find the adapter's port.
Q_DECLARE_METATYPE(PortChoice)

class PortWindow : public QWidget {
    Q_OBJECT
public:
    // Without a `preselect` (from the command line) the port that worked last is selected.
    explicit PortWindow(const PortChoice& preselect = {}, QWidget* parent = nullptr);

    // The port a main window opened, remembered for the next start; and that port.
    static void RememberWorkingPort(const PortChoice& choice);
    static PortChoice WorkingPort();

    // The list entry of the simulated meter.
    static QString SimulatedText();
    // What OK would confirm now.
    PortChoice CurrentChoice() const;
    // Lists the ports again (an adapter may have been plugged in meanwhile).
    void RefreshPorts();

Q_SIGNALS:
    void Chosen(const PortChoice& choice);
    // Closed without a choice: the program ends.
    void Abandoned();

protected:
    void closeEvent(class QCloseEvent* event) override;

private:
    void ShowDeviceHelp();
    void HideDeviceHelp();
    void Confirm();

    QPushButton* deviceManagerButton_;
    QComboBox* portChoice_;
    QPushButton* okButton_;
    QFrame* deviceHelp_;
    QLabel* detected_;
    QPushButton* refreshButton_;
    bool chosen_ = false;
};
