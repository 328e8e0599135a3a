// A calibration file's text on arbitrary bytes: a text that is taken reads back the same from
// its own text form, and every reading it corrects stays a reading.

#include "calibration/calibration.h"
#include "fuzz_check.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const std::optional<Calibration> calibration = Calibration::Parse(text, &error);
    if (!calibration) {
        FUZZ_CHECK(error.startsWith(QStringLiteral("line ")));
        return 0;
    }
    QString again;
    FUZZ_CHECK(Calibration::Parse(calibration->Text(), &again) == calibration);
    for (int channel = 0; channel < 4; ++channel) {
        for (const bool fahrenheit : {false, true}) {
            for (const int tenths : {-4540, -1, 0, 1, 2500, 13720, 25020}) {
                const std::optional<CorrectedTenths> c =
                    calibration->Correct(channel, fahrenheit, tenths);
                FUZZ_CHECK(!c || (c->tenths > -1000000 && c->tenths < 1000000));
            }
        }
    }
    return 0;
}
