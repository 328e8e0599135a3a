#pragma once

#include <QObject>

class MeterSettings;
class QComboBox;

// The power-off list `ComboP` of the main window: the toolbar's "Poweroff" reads the meter's
// setting into it and shows it; a choice the user makes writes it back and hides the list.
class PowerOff : public QObject {
    Q_OBJECT
public:
    // Fills an empty list with the three settings (the entry's index is the meter's code) and
    // hides it.
    PowerOff(QComboBox* choice, MeterSettings& meter, QObject* parent = nullptr);

    // The toolbar's "Poweroff": hides a shown list; otherwise reads the meter's setting, selects
    // it (no selection for a code the list does not have) and shows the list. A read of fewer
    // than 3 bytes is a lost link: the recovery runs and the list stays hidden.
    void Toggle();

private:
    // Only a choice of the user's writes to the meter, never the selection `Toggle` makes.
    void OnActivated(int index);

    QComboBox* choice_;
    MeterSettings& meter_;
};
