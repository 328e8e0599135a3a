#include "sim/sim_control.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

bool OnOff(const QString& word, bool& on) {
    if (word != QLatin1String("on") && word != QLatin1String("off"))
        return false;
    on = word == QLatin1String("on");
    return true;
}

bool ChannelNumber(const QString& word, int& ch) {
    bool ok = false;
    const int n = word.toInt(&ok);
    if (!ok || n < 1 || n > 4)
        return false;
    ch = n - 1;
    return true;
}

} // namespace

ControlResult ApplyControlLine(const QString& line, MeterProtocol& protocol) {
    const QStringList w =
        line.trimmed().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    ControlResult result;
    if (w.isEmpty())
        return result;
    const QString& cmd = w.at(0);
    bool on = false;
    int ch = 0;
    MeterModel& model = protocol.Model();
    if (w.size() == 1 && cmd == QLatin1String("unplug")) {
        result.action = ControlAction::Unplug;
    } else if (w.size() == 1 && cmd == QLatin1String("plug")) {
        result.action = ControlAction::Plug;
    } else if (w.size() == 1 && cmd == QLatin1String("quit")) {
        result.action = ControlAction::Quit;
    } else if (cmd == QLatin1String("echo")) {
        // Lines are applied in order, so a test that sees its echo knows the lines before it
        // have taken effect.
        result.action = ControlAction::Echo;
        result.echo = QStringList(w.mid(1)).join(QLatin1Char(' '));
    } else if (w.size() == 2 && cmd == QLatin1String("silent") && OnOff(w.at(1), on)) {
        protocol.SetSilent(on);
    } else if (w.size() == 2 && cmd == QLatin1String("stream") && OnOff(w.at(1), on)) {
        protocol.SetStreaming(on);
    } else if (w.size() == 2 && cmd == QLatin1String("garbage") && OnOff(w.at(1), on)) {
        protocol.SetGarbage(on);
    } else if (w.size() == 2 && cmd == QLatin1String("cut")) {
        bool ok = false;
        const int n = w.at(1).toInt(&ok);
        if (!ok || n < 0)
            result.error = QStringLiteral("cut needs a byte count: %1").arg(line.trimmed());
        else
            protocol.CutNextDump(n);
    } else if (w.size() == 3 && cmd == QLatin1String("probe") && ChannelNumber(w.at(1), ch) &&
               OnOff(w.at(2), on)) {
        model.Channel(ch).probe = on;
    } else if (w.size() == 2 && cmd == QLatin1String("unit") &&
               (w.at(1) == QLatin1String("C") || w.at(1) == QLatin1String("F"))) {
        model.fahrenheit = w.at(1) == QLatin1String("F");
    } else if (w.size() == 3 && cmd == QLatin1String("reading") && ChannelNumber(w.at(1), ch)) {
        bool ok = false;
        const int tenths = w.at(2).toInt(&ok);
        if (!ok || tenths < -327679 || tenths > 327679)
            result.error = QStringLiteral("reading needs tenths of a degree F: %1").arg(w.at(2));
        else
            model.SetReading(ch, tenths);
    } else {
        result.error = QStringLiteral("not understood: %1").arg(line.trimmed());
    }
    return result;
}

QString ControlHelpText() {
    return QStringLiteral(
        "  silent on|off        stop or resume answering commands\n"
        "  stream on|off        stop or resume the live packets\n"
        "  garbage on|off       send stray bytes between live packets\n"
        "  cut N                cut the next R or Q dump after N bytes\n"
        "  probe CH on|off      plug or pull the probe of channel 1..4\n"
        "  unit C|F             switch the display unit\n"
        "  reading CH TENTHS_F  set a channel's reading, tenths of a degree F\n"
        "  unplug               close the pseudo-terminal (the port vanishes)\n"
        "  plug                 open a new one and print its path\n"
        "  echo TEXT            print TEXT (to know the lines before it are done)\n"
        "  quit                 end the simulator\n");
}
