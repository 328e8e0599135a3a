#include "app/application.h"
#include "sim/meter_scenario.h"

#include <QApplication>
#include <QCommandLineParser>

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
    parser.addOption(simulate);
    parser.addOption(port);

    // QApplication aborts without a display, so help and version are answered before it exists:
    // they then work over SSH. Anything else, Qt's own options among them, waits for it.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (parser.parse(arguments) && (parser.isSet(help) || parser.isSet(version))) {
        QCoreApplication console(argc, argv);
        parser.process(console); // prints and exits
    }

    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The program ends when its main window closes, not when a passing window does.
    QApplication::setQuitOnLastWindowClosed(false);
    parser.process(app);

    PortChoice preselect;
    preselect.simulated = parser.isSet(simulate);
    preselect.name = parser.value(port);

    // Without a meter, the built-in one behaves like a meter on a bench.
    Application::Overrides setup;
    setup.simulatorScenario = DefaultScenarioText();
    Application corvilab(setup);
    QObject::connect(&corvilab, &Application::Finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    corvilab.ShowPortWindow(preselect);
    return app.exec();
}
