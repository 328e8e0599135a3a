#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <optional>

class QPrinter;
class QWidget;

// Every message box, input box, file dialog and print dialog of the program goes through this
// seam, so that tests can answer them. The real one shows Qt's dialogs.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box; returns the button pressed. `detail` is the expandable detail text.
    virtual QMessageBox::StandardButton
    Message(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            const QString& detail = QString()) = 0;
    // An input box; empty when cancelled.
    virtual std::optional<QString> Input(QWidget* parent, const QString& title,
                                         const QString& prompt, const QString& defaultText) = 0;
    // File dialogs; empty when cancelled.
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    // Several files at once; empty when cancelled. Asks for one unless a dialog can do more.
    virtual QStringList OpenFileNames(QWidget* parent, const QString& title, const QString& filter);
    // The print dialog over `printer`; false when cancelled.
    virtual bool Print(QWidget* parent, QPrinter& printer) = 0;
    // Shows a modal window and returns when it closes.
    virtual int Exec(class QDialog& dialog) = 0;

    // Shorthands for the program's usual boxes.
    void Critical(QWidget* parent, const QString& text, const QString& detail = QString());
    void Information(QWidget* parent, const QString& text);
    // OK/Cancel with the exclamation icon and the title "Warning"; true for OK.
    bool ConfirmWarning(QWidget* parent, const QString& text);
};

class QtDialogs : public Dialogs {
public:
    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        const QString& detail) override;
    std::optional<QString> Input(QWidget* parent, const QString& title, const QString& prompt,
                                 const QString& defaultText) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QStringList OpenFileNames(QWidget* parent, const QString& title,
                              const QString& filter) override;
    bool Print(QWidget* parent, QPrinter& printer) override;
    int Exec(QDialog& dialog) override;
};

// The program's title on its message boxes.
inline QString AppTitle() {
    return QStringLiteral("Corvilab");
}
