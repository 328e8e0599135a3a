#include "logger/data_kind_frame.h"

#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

void HostIn(QFrame* host, QWidget* contents) {
    if (!host)
        return;
    QLayout* layout = host->layout();
    if (!layout) {
        layout = new QVBoxLayout(host);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    layout->addWidget(contents);
}

DataKindChoice AddDataKindChoice(QWidget* owner, const QString& title, const DataKindNames& names,
                                 const QString& verb) {
    auto* box = new QGroupBox(title, owner);
    box->setObjectName(names.box);
    DataKindChoice choice;
    choice.automatic = new QRadioButton(QStringLiteral("Automatically Recorded Data"), box);
    choice.automatic->setObjectName(names.automatic);
    choice.automatic->setAccessibleName(verb + QStringLiteral(" the automatically recorded data"));
    choice.automatic->setChecked(true);
    choice.manual = new QRadioButton(QStringLiteral("Manually Recorded Data"), box);
    choice.manual->setObjectName(names.manual);
    choice.manual->setAccessibleName(verb + QStringLiteral(" the manually recorded data"));
    choice.ok = new QPushButton(QStringLiteral("OK"), box);
    choice.ok->setObjectName(names.ok);
    choice.ok->setAccessibleName(verb + QStringLiteral(" the chosen data"));

    auto* inner = new QVBoxLayout(box);
    inner->addWidget(choice.automatic);
    inner->addWidget(choice.manual);
    inner->addWidget(choice.ok, 0, Qt::AlignRight);
    auto* layout = new QVBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    return choice;
}
