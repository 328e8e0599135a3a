#include "calibration/calibration_window.h"

#include "ui/dialogs.h"
#include "ui/remembered.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <utility>

namespace {

const QString kRememberedKey = QStringLiteral("Calibration");
const QString kFilter = QStringLiteral("Calibration files (*.cal *.txt);;All files (*)");

// The kinds in the order of the choice, with the word of the file form and an example of its
// numbers for the empty entry.
struct KindSpec {
    const char* entry;
    const char* word;
    const char* example;
};
const KindSpec kKinds[] = {
    {"None", "none", ""},
    {"Offset", "offset", "-0.3"},
    {"Two points", "two-point", "0 0.4 100 99.2"},
    {"Table", "table", "32 0.2 212 -0.3"},
};

int KindIndex(CorrectionKind kind) {
    switch (kind) {
    case CorrectionKind::None:
        return 0;
    case CorrectionKind::Offset:
        return 1;
    case CorrectionKind::TwoPoints:
        return 2;
    case CorrectionKind::Table:
        return 3;
    }
    return 0;
}

} // namespace

CalibrationWindow::CalibrationWindow(std::function<Calibration()> inForce, Dialogs& dialogs,
                                     QWidget* parent)
    : QDialog(parent)
    , inForce_(std::move(inForce))
    , dialogs_(dialogs) {
    setObjectName(QStringLiteral("Calibration"));
    setWindowTitle(QStringLiteral("Calibration"));
    setAccessibleName(QStringLiteral("Calibration corrections"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Channel"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Correction"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Unit"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Numbers"), this), 0, 3);
    for (int i = 0; i < 4; ++i) {
        const QString title = QStringLiteral("T%1").arg(i + 1);
        Row& row = rows_[size_t(i)];
        row.kind = new QComboBox(this);
        row.kind->setObjectName(QStringLiteral("CalKind%1").arg(i));
        row.kind->setAccessibleName(QStringLiteral("%1 correction").arg(title));
        for (const KindSpec& k : kKinds)
            row.kind->addItem(QString::fromLatin1(k.entry));
        row.unit = new QComboBox(this);
        row.unit->setObjectName(QStringLiteral("CalUnit%1").arg(i));
        row.unit->setAccessibleName(QStringLiteral("%1 unit of the numbers").arg(title));
        row.unit->addItems({QStringLiteral("°C"), QStringLiteral("°F")});
        row.numbers = new QLineEdit(this);
        row.numbers->setObjectName(QStringLiteral("CalNumbers%1").arg(i));
        row.numbers->setAccessibleName(QStringLiteral("%1 numbers").arg(title));
        row.numbers->setMinimumWidth(260);
        const auto follow = [row](int kind) {
            row.numbers->setEnabled(kind != 0);
            row.unit->setEnabled(kind != 0);
            row.numbers->setPlaceholderText(QString::fromLatin1(kKinds[kind].example));
        };
        connect(row.kind, qOverload<int>(&QComboBox::currentIndexChanged), this, follow);
        follow(0);
        auto* name = new QLabel(title, this);
        name->setBuddy(row.kind);
        grid->addWidget(name, i + 1, 0);
        grid->addWidget(row.kind, i + 1, 1);
        grid->addWidget(row.unit, i + 1, 2);
        grid->addWidget(row.numbers, i + 1, 3);
    }
    grid->setColumnStretch(3, 1);

    auto* hint = new QLabel(QStringLiteral("Offset: the correction. Two points: reading true "
                                           "reading true. Table: reading correction pairs."),
                            this);
    hint->setWordWrap(true);

    const auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* open = button(QStringLiteral("CmdOpen"), QStringLiteral("Open..."));
    QPushButton* save = button(QStringLiteral("CmdSave"), QStringLiteral("Save..."));
    QPushButton* ok = button(QStringLiteral("CmdOK"), QStringLiteral("OK"));
    QPushButton* apply = button(QStringLiteral("CmdApply"), QStringLiteral("Apply"));
    QPushButton* cancel = button(QStringLiteral("CmdCancel"), QStringLiteral("Cancel"));
    ok->setDefault(true);
    connect(open, &QPushButton::clicked, this, [this] { OpenFile(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveFile(); });
    connect(apply, &QPushButton::clicked, this, [this] { Apply(); });
    connect(ok, &QPushButton::clicked, this, [this] {
        if (Apply())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(hint);
    layout->addLayout(buttons);
    ShowCalibration(inForce_());
}

std::optional<Calibration> CalibrationWindow::RememberedCalibration() {
    const QVariant text = Remembered(kRememberedKey);
    if (!text.isValid())
        return std::nullopt;
    QString error;
    return Calibration::Parse(text.toString(), &error);
}

void CalibrationWindow::ShowCalibration(const Calibration& calibration) {
    shown_ = calibration;
    for (int i = 0; i < 4; ++i) {
        const Row& row = rows_[size_t(i)];
        const ChannelCorrection& celsius = calibration.Given(i, false);
        const ChannelCorrection& fahrenheit = calibration.Given(i, true);
        const ChannelCorrection& c = celsius.kind != CorrectionKind::None ? celsius : fahrenheit;
        shownUnitF_[size_t(i)] = &c == &fahrenheit;
        const bool both =
            celsius.kind != CorrectionKind::None && fahrenheit.kind != CorrectionKind::None;
        row.numbers->setToolTip(both ? QStringLiteral("T%1 is corrected in °F too, as the file "
                                                      "said: %2; that correction is kept")
                                           .arg(i + 1)
                                           .arg(fahrenheit.Describe())
                                     : QString());
        // The numbers as the file form writes them: its line without channel, unit and kind.
        Calibration one;
        one.Set(i, c);
        const QStringList words = one.Text().split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(3);
        row.kind->setCurrentIndex(KindIndex(c.kind));
        if (c.kind != CorrectionKind::None)
            row.unit->setCurrentIndex(c.fahrenheit ? 1 : 0);
        row.numbers->setText(words.join(QLatin1Char(' ')).trimmed());
    }
}

std::optional<Calibration> CalibrationWindow::Entered(QString* error) const {
    // A correction the rows do not show stays; the one a row shows is replaced by its entry.
    Calibration calibration = shown_;
    for (int i = 0; i < 4; ++i) {
        const Row& row = rows_[size_t(i)];
        calibration.Clear(i, shownUnitF_[size_t(i)]);
        const int kind = row.kind->currentIndex();
        if (kind <= 0)
            continue;
        // Each row is read as its own line of the file form, so the message names the channel.
        const QString line =
            QStringLiteral("T%1 %2 %3 %4")
                .arg(i + 1)
                .arg(row.unit->currentIndex() == 1 ? QLatin1Char('F') : QLatin1Char('C'))
                .arg(QString::fromLatin1(kKinds[kind].word), row.numbers->text());
        QString why;
        const std::optional<Calibration> read = Calibration::Parse(line, &why);
        if (!read) {
            *error =
                QStringLiteral("T%1: %2").arg(i + 1).arg(why.section(QStringLiteral(": "), 1, -1));
            return std::nullopt;
        }
        calibration.Set(i, read->Given(i, row.unit->currentIndex() == 1));
    }
    error->clear();
    return calibration;
}

bool CalibrationWindow::Apply() {
    QString error;
    const std::optional<Calibration> calibration = Entered(&error);
    if (!calibration) {
        dialogs_.Critical(this, error);
        return false;
    }
    Q_EMIT Applied(*calibration);
    Remember(kRememberedKey, calibration->Text());
    return true;
}

bool CalibrationWindow::OpenFile() {
    const QString path =
        dialogs_.OpenFileName(this, QStringLiteral("Open Calibration File"), kFilter);
    if (path.isEmpty())
        return false;
    QString error;
    const std::optional<Calibration> calibration = Calibration::ReadFile(path, &error);
    if (!calibration) {
        dialogs_.Critical(this, error);
        return false;
    }
    ShowCalibration(*calibration);
    return true;
}

bool CalibrationWindow::SaveFile() {
    QString error;
    const std::optional<Calibration> calibration = Entered(&error);
    if (!calibration) {
        dialogs_.Critical(this, error);
        return false;
    }
    const QString path =
        dialogs_.SaveFileName(this, QStringLiteral("Save Calibration File"), kFilter);
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(calibration->Text().toUtf8()) < 0 ||
        !file.commit()) {
        dialogs_.Critical(this, QStringLiteral("%1 was not written: %2")
                                    .arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    return true;
}

void CalibrationWindow::showEvent(QShowEvent* event) {
    // What is in force now, which the command line or another window may have changed.
    ShowCalibration(inForce_());
    QDialog::showEvent(event);
}
