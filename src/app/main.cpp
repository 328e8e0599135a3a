#include "app/application.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvilab"));
    QApplication::setApplicationVersion(QStringLiteral(CORVILAB_VERSION));
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The program ends when its main window closes, not when a passing window does.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Corvilab: live display, recording and logger read-out of a "
                       "four-channel thermocouple thermometer."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(QStringLiteral("simulate"),
                                      QStringLiteral("Pre-select the simulated meter."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Pre-select the serial port DEVICE."),
                                  QStringLiteral("DEVICE"));
    parser.addOption(simulate);
    parser.addOption(port);
    parser.process(app);

    PortChoice preselect;
    preselect.simulated = parser.isSet(simulate);
    preselect.name = parser.value(port);

    Application corvilab;
    QObject::connect(&corvilab, &Application::Finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    corvilab.ShowPortWindow(preselect);
    return app.exec();
}
