#pragma once

// Choices kept from one run to the next in the user's configuration folder (organisation and
// application "Corvilab"): the port that worked last, the folder of the last file dialog.

#include <QString>
#include <QVariant>

QVariant Remembered(const QString& key);
void Remember(const QString& key, const QVariant& value);
