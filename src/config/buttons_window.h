#pragma once

#include "config/meter_settings.h"

#include <QIcon>
#include <QWidget>

class QAbstractButton;
class QLabel;

// "Meter Buttons": the meter's front-panel keys. A click sends the key's mask; MAX/MIN and MEM
// tell a short press from one held more than 2 s. Modeless; polling goes on beside it.
class ButtonsWindow : public QWidget {
    Q_OBJECT
public:
    ButtonsWindow(MeterSettings& meter, QWidget* panel);

    // Centres the window under `panel`, touching its lower edge.
    void PlaceUnder(const QWidget* panel);

    // The pictures of the arrow and enter keys, drawn in `color`.
    enum class Picture { Up, Left, Enter, Right, Down };
    static QIcon KeyIcon(Picture picture, const QColor& color);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QAbstractButton* AddKey(const QString& name, const QString& caption, MeterKey key);
    void Press(MeterKey key);

    MeterSettings& meter_;
    QLabel* maxMinKey_;
    QWidget* keys_;
    bool placed_ = false;
};
