#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;

// "Share live view": whether the live web view is served while the panel runs, on which
// address, and the token that lets the page place marks (empty: it places none). A choice takes
// effect as it is made; the window only asks, the program serves.
class ShareWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kDefaultListen = "127.0.0.1:8080";

    ShareWindow(bool on, const QString& listen, const QString& markToken,
                QWidget* parent = nullptr);

    QCheckBox* ShareToggle() const { return shareToggle_; }
    QLineEdit* ListenAddressEntry() const { return listenAddressEntry_; }
    QLineEdit* MarkTokenEntry() const { return markTokenEntry_; }
    // What came of the choice: the address served, or why it is not.
    void ShowState(bool on, const QString& text);

Q_SIGNALS:
    void Changed(bool on, const QString& listen, const QString& markToken);

private:
    QCheckBox* shareToggle_;
    QLineEdit* listenAddressEntry_;
    QLineEdit* markTokenEntry_;
    QLabel* state_;
};
