#pragma once

#include "logger/data_kind_frame.h"
#include "logger/logger_erase.h"

#include <QWidget>

class Dialogs;
class MeterLink;
class QFrame;
class QPushButton;
class QRadioButton;

enum class EraseOutcome { Erased, Declined, Refused };
// Asks with the "Warning" box and, on OK, erases that part of the logger memory. Refused with a
// message while another exchange with the meter is running (a download, the link's recovery):
// the erase command would land in the middle of it; the caller then leaves its window as it
// was. Local work that only keeps the timers quiet (listing, printing) refuses nothing.
EraseOutcome ConfirmAndEraseLogger(Dialogs& dialogs, QWidget* parent, MeterLink& link,
                                   EraseKind kind);

// The contents of the main window's erase frame `PicErase`: the frame `SSFrame2` "Erase" with
// `EraseAuto` and `EraseManual` and the button `CmdEraseOK`. It lays itself into `host` and
// hides `host` after every OK, whatever the answer.
class EraseFrame : public QWidget {
    Q_OBJECT
public:
    EraseFrame(MeterLink& link, Dialogs& dialogs, QFrame* host);

    QRadioButton* AutomaticOption() const { return choice_.automatic; }
    QRadioButton* ManualOption() const { return choice_.manual; }
    QPushButton* OkButton() const { return choice_.ok; }

private:
    void OnEraseOK();

    MeterLink& link_;
    Dialogs& dialogs_;
    QFrame* host_;
    DataKindChoice choice_;
};
