#pragma once

#include <QString>

class QFrame;
class QPushButton;
class QRadioButton;
class QWidget;

// Lays `contents` into the main window's placeholder frame `host` (none: nothing).
void HostIn(QFrame* host, QWidget* contents);

// The controls of a main-window frame that acts on one kind of logged data: a group box titled
// `title`, holding "Automatically Recorded Data" (chosen at first), "Manually Recorded Data"
// and "OK" at its right, filling `owner`. `names` are the Qt object names of the box, the two
// choices and OK; the accessible names start with `verb` ("Erase the chosen data").
struct DataKindChoice {
    QRadioButton* automatic;
    QRadioButton* manual;
    QPushButton* ok;
};
struct DataKindNames {
    QString box, automatic, manual, ok;
};
DataKindChoice AddDataKindChoice(QWidget* owner, const QString& title, const DataKindNames& names,
                                 const QString& verb);
