#include "app/application.h"
#include "calibration/calibration.h"
#include "session/meter_session.h"
#include "sim/meter_scenario.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <optional>

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("corvilab"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CORVILAB_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Corvilab: live display, recording and logger read-out of a "
                       "four-channel thermocouple thermometer."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Pre-select the simulated meter."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Pre-select the serial port DEVICE."),
                                  QStringLiteral("DEVICE"));
    const QCommandLineOption calibration(
        QStringLiteral("calibration"),
        QStringLiteral("Correct the readings with the calibration FILE for this run, in place of "
                       "the corrections remembered from the Calibration window."),
        QStringLiteral("FILE"));
    parser.addOption(simulate);
    parser.addOption(port);
    parser.addOption(calibration);

    // QApplication aborts without a display, so help and version are answered before it exists:
    // they then work over SSH. Anything else, Qt's own options among them, waits for it.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool parsed = parser.parse(arguments);
    if (parsed && (parser.isSet(help) || parser.isSet(version))) {
        QCoreApplication console(argc, argv);
        parser.process(console); // prints and exits
    }
    // A calibration file that cannot be read stops the program before any window opens.
    std::optional<Calibration> corrections;
    const auto readCalibration = [&] {
        if (!parser.isSet(calibration))
            return true;
        QString error;
        corrections = Calibration::ReadFile(parser.value(calibration), &error);
        if (!corrections)
            std::fprintf(stderr, "corvilab: %s\n", qUtf8Printable(error));
        return corrections.has_value();
    };
    if (parsed && !readCalibration())
        return 1;

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The program ends when its main window closes, not when a passing window does.
    QApplication::setQuitOnLastWindowClosed(false);
    parser.process(app);
    if (!parsed && !readCalibration())
        return 1;

    PortChoice preselect;
    preselect.simulated = parser.isSet(simulate);
    preselect.name = parser.value(port);

    // Without a meter, the built-in one behaves like a meter on a bench.
    Application::Overrides setup;
    setup.simulatorScenario = DefaultScenarioText();
    Application corvilab(setup);
    if (corrections)
        corvilab.Session().SetCalibration(*corrections);
    QObject::connect(&corvilab, &Application::Finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    corvilab.ShowPortWindow(preselect);
    return app.exec();
}
