#pragma once

#include "ui/dialogs.h"

#include <QDialog>
#include <QList>
#include <QPrinter>
#include <functional>

// Dialogs for tests: every box is logged, and answers come from queues (or defaults: OK,
// cancelled input, no file, print cancelled). A print answer may point the printer at a PDF.
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QMessageBox::Icon icon;
        QString title, text, detail;
    };
    QList<Shown> messages;
    QList<QMessageBox::StandardButton> buttonAnswers;
    QList<std::optional<QString>> inputAnswers;
    QStringList prompts;
    QStringList fileAnswers;
    QString printToPdf; // non-empty: print dialogs are accepted and print into this file
    std::function<int(QDialog&)> onExec; // default: the modal window is shown and rejected
    std::function<void(const QString& title)> onInput; // runs while an input box is open

    QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon icon, const QString& title,
                                        const QString& text, QMessageBox::StandardButtons,
                                        const QString& detail) override {
        messages.append({icon, title, text, detail});
        return buttonAnswers.isEmpty() ? QMessageBox::Ok : buttonAnswers.takeFirst();
    }
    std::optional<QString> Input(QWidget*, const QString& title, const QString& prompt,
                                 const QString&) override {
        prompts.append(prompt);
        if (onInput)
            onInput(title);
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.takeFirst();
    }
    QString SaveFileName(QWidget*, const QString&, const QString&) override {
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    QString OpenFileName(QWidget*, const QString&, const QString&) override {
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    bool Print(QWidget*, QPrinter& printer) override {
        if (printToPdf.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printToPdf);
        return true;
    }
    int Exec(QDialog& dialog) override {
        if (onExec)
            return onExec(dialog);
        dialog.show();
        dialog.reject();
        return QDialog::Rejected;
    }
    QStringList Texts() const {
        QStringList texts;
        for (const Shown& m : messages)
            texts << m.text;
        return texts;
    }
};
