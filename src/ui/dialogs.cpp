#include "ui/dialogs.h"

#include "ui/remembered.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QPrintDialog>
#include <QPrinter>

void Dialogs::Critical(QWidget* parent, const QString& text, const QString& detail) {
    Message(parent, QMessageBox::Critical, AppTitle(), text, QMessageBox::Ok, detail);
}

void Dialogs::Information(QWidget* parent, const QString& text) {
    Message(parent, QMessageBox::Information, AppTitle(), text, QMessageBox::Ok);
}

bool Dialogs::ConfirmWarning(QWidget* parent, const QString& text) {
    return Message(parent, QMessageBox::Warning, QStringLiteral("Warning"), text,
                   QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

QMessageBox::StandardButton QtDialogs::Message(QWidget* parent, QMessageBox::Icon icon,
                                               const QString& title, const QString& text,
                                               QMessageBox::StandardButtons buttons,
                                               const QString& detail) {
    QMessageBox box(icon, title, text, buttons, parent);
    if (!detail.isEmpty())
        box.setDetailedText(detail);
    return QMessageBox::StandardButton(box.exec());
}

std::optional<QString> QtDialogs::Input(QWidget* parent, const QString& title,
                                        const QString& prompt, const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

namespace {

const QString kLastFolder = QStringLiteral("Dialogs/LastFolder");

// The file dialogs start in the folder of the file chosen last, in this run or an earlier one.
QString RememberFolderOf(const QString& path) {
    if (!path.isEmpty())
        Remember(kLastFolder, QFileInfo(path).absolutePath());
    return path;
}

} // namespace

QString QtDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& filter) {
    return RememberFolderOf(
        QFileDialog::getSaveFileName(parent, title, Remembered(kLastFolder).toString(), filter));
}

QStringList Dialogs::OpenFileNames(QWidget* parent, const QString& title, const QString& filter) {
    const QString path = OpenFileName(parent, title, filter);
    return path.isEmpty() ? QStringList() : QStringList{path};
}

QString QtDialogs::OpenFileName(QWidget* parent, const QString& title, const QString& filter) {
    return RememberFolderOf(
        QFileDialog::getOpenFileName(parent, title, Remembered(kLastFolder).toString(), filter));
}

QStringList QtDialogs::OpenFileNames(QWidget* parent, const QString& title, const QString& filter) {
    const QStringList paths =
        QFileDialog::getOpenFileNames(parent, title, Remembered(kLastFolder).toString(), filter);
    if (!paths.isEmpty())
        RememberFolderOf(paths.constFirst());
    return paths;
}

bool QtDialogs::Print(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

int QtDialogs::Exec(QDialog& dialog) {
    return dialog.exec();
}
