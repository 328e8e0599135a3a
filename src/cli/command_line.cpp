#include "cli/command_line.h"

#include <QSet>

#include <cmath>
#include <optional>

namespace {

struct OptionInfo {
    const char* name;
    bool takesValue;
};

// Every command option, whichever command takes it.
constexpr OptionInfo kOptions[] = {
    {"samples", true},       {"interval", true},    {"unit", true},       {"duration", true},
    {"output", true},        {"to", true},          {"yes", false},       {"long", false},
    {"give-up-after", true}, {"http", true},        {"listen", true},     {"token-file", true},
    {"alarm", true},         {"hysteresis", true},  {"on-alarm", true},   {"alarm-log", true},
    {"above", true},         {"reference", true},   {"band", true},       {"channel", true},
    {"align", true},         {"calibration", true}, {"mark-token", true},
};

// What each command (or logger subcommand) takes: its options, and how many positional
// arguments follow its name.
struct CommandInfo {
    const char* key;
    QSet<QString> options;
    int minArguments;
    int maxArguments;
    const char* argumentName;
};

const QList<CommandInfo>& Commands() {
    static const QList<CommandInfo> commands = {
        {"ports", {}, 0, 0, ""},
        {"status", {}, 0, 0, ""},
        {"live",
         {"samples", "interval", "unit", "give-up-after", "http", "token-file", "alarm",
          "hysteresis", "on-alarm", "alarm-log", "reference", "band", "channel", "align",
          "calibration", "mark-token"},
         0,
         0,
         ""},
        {"record",
         {"interval", "samples", "duration", "give-up-after", "http", "token-file", "alarm",
          "hysteresis", "on-alarm", "alarm-log", "reference", "band", "channel", "align",
          "calibration", "mark-token"},
         1,
         1,
         "FILE"},
        {"serve",
         {"listen", "token-file", "interval", "duration", "give-up-after", "alarm", "hysteresis",
          "on-alarm", "alarm-log", "calibration", "mark-token"},
         0,
         0,
         ""},
        {"mark", {"channel"}, 1, 1 << 20, "TEXT"},
        {"logger sets", {}, 0, 0, ""},
        {"logger get", {"output", "unit"}, 1, 1, "SET"},
        {"logger all", {"unit"}, 1, 1, "DIR"},
        {"logger manual", {}, 0, 0, ""},
        {"erase", {"yes"}, 1, 1, "auto or manual"},
        {"clock", {}, 0, 1, ""},
        {"interval", {}, 0, 1, ""},
        {"poweroff", {}, 0, 1, ""},
        {"key", {"long"}, 1, 1, "NAME"},
        {"convert", {"output", "to"}, 1, 1, "FILE"},
        {"stats", {"above"}, 1, 1, "FILE"},
        {"compare", {"channel", "align", "band", "unit", "output"}, 2, 1 << 20, "REFERENCE RUN..."},
    };
    return commands;
}

const OptionInfo* FindOption(const QString& name) {
    for (const OptionInfo& info : kOptions) {
        if (name == QLatin1String(info.name))
            return &info;
    }
    return nullptr;
}

const CommandInfo* FindCommand(const QString& key) {
    for (const CommandInfo& info : Commands()) {
        if (key == QLatin1String(info.key))
            return &info;
    }
    return nullptr;
}

// Checks the command, its positional arguments and its options against the table.
QString CheckShape(CommandLine& line) {
    if (line.command.isEmpty())
        return QStringLiteral("no command given");
    QString key = line.command;
    if (line.command == QLatin1String("logger")) {
        if (line.arguments.isEmpty())
            return QStringLiteral("logger needs sets, get, all or manual");
        key += QLatin1Char(' ') + line.arguments.constFirst();
    }
    const CommandInfo* info = FindCommand(key);
    if (!info) {
        return line.command == QLatin1String("logger")
                   ? QStringLiteral("unknown logger command '%1'").arg(line.arguments.first())
                   : QStringLiteral("unknown command '%1'").arg(line.command);
    }
    const int given = int(line.arguments.size()) - (line.command == QLatin1String("logger"));
    if (given < info->minArguments)
        return QStringLiteral("%1 needs %2").arg(key, QLatin1String(info->argumentName));
    if (given > info->maxArguments) {
        return QStringLiteral("unexpected argument '%1' for %2")
            .arg(line.arguments.constLast(), key);
    }
    for (auto it = line.options.cbegin(); it != line.options.cend(); ++it) {
        if (!info->options.contains(it.key()))
            return QStringLiteral("%1 does not take --%2").arg(key, it.key());
    }
    return {};
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments, const QString& environmentPort) {
    CommandLine line;
    line.port = environmentPort;
    bool optionsEnded = false;
    auto fail = [&line](const QString& error) {
        if (line.error.isEmpty())
            line.error = error;
    };

    for (int i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            if (line.command.isEmpty())
                line.command = arg;
            else
                line.arguments.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }

        // "--name value", "--name=value", "-o value", "-h".
        QString name;
        std::optional<QString> inlineValue;
        if (arg.startsWith(QLatin1String("--"))) {
            name = arg.mid(2);
            const qsizetype eq = name.indexOf(QLatin1Char('='));
            if (eq >= 0) {
                inlineValue = name.mid(eq + 1);
                name.truncate(eq);
            }
        } else if (arg == QLatin1String("-h")) {
            name = QStringLiteral("help");
        } else if (arg == QLatin1String("-o")) {
            name = QStringLiteral("output");
        } else {
            fail(QStringLiteral("unknown option '%1'").arg(arg));
            continue;
        }

        const bool global = name == QLatin1String("port") || name == QLatin1String("timeout");
        const OptionInfo* info = global ? nullptr : FindOption(name);
        const bool flag = name == QLatin1String("help") || name == QLatin1String("version") ||
                          (info && !info->takesValue);
        if (!global && !flag && !info) {
            fail(QStringLiteral("unknown option '--%1'").arg(name));
            continue;
        }
        QString value;
        if (flag) {
            if (inlineValue) {
                fail(QStringLiteral("option '--%1' takes no value").arg(name));
                continue;
            }
        } else if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < arguments.size()) {
            value = arguments.at(++i);
        } else {
            fail(QStringLiteral("option '%1' needs a value").arg(arg));
            continue;
        }

        if (name == QLatin1String("help")) {
            line.help = true;
        } else if (name == QLatin1String("version")) {
            line.version = true;
        } else if (name == QLatin1String("port")) {
            line.port = value;
            if (value.isEmpty())
                fail(QStringLiteral("--port needs a device name"));
        } else if (name == QLatin1String("timeout")) {
            bool ok = false;
            const double seconds = value.toDouble(&ok); // C locale: "." whatever the user's
            if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400)
                fail(QStringLiteral("--timeout needs a number of seconds from above 0 to 86400, "
                                    "not '%1'")
                         .arg(value));
            else
                line.timeoutSeconds = seconds;
        } else if (name == QLatin1String("alarm") && line.options.contains(name)) {
            // One --alarm per limit; the limits are kept one a line.
            line.options[name] += QLatin1Char('\n') + value;
        } else if (line.options.contains(name)) {
            fail(QStringLiteral("option '--%1' given twice").arg(name));
        } else {
            line.options.insert(name, value);
        }
    }

    if (line.error.isEmpty() && !line.help && !line.version)
        line.error = CheckShape(line);
    return line;
}

QString VersionText() {
    return QStringLiteral("corvilab-cli (Corvilab) " CORVILAB_VERSION "\n");
}

QString HelpText() {
    return QStringLiteral(
        "Usage: corvilab-cli [--port DEVICE] [--timeout SECONDS] COMMAND [ARG]...\n"
        "Read, record and set up a Corvilab four-channel thermocouple thermometer without\n"
        "a window: from a script, over SSH, on a machine without a screen.\n"
        "\n"
        "Options:\n"
        "      --port DEVICE      the meter's serial port: /dev/ttyUSB0, COM3, or the path\n"
        "                         corvilab-sim printed; default: $CORVILAB_PORT\n"
        "      --timeout SECONDS  longest wait for the meter, for every wait (default 20)\n"
        "  -h, --help             display this help and exit\n"
        "      --version          output version information and exit\n"
        "\n"
        "Commands:\n"
        "  ports                  the serial ports: name, description, manufacturer\n"
        "  status                 MemoryAddress, ManualCount and the bytes of automatic\n"
        "                         logger data stored\n"
        "  live [--samples N] [--interval S] [--unit C|F] [--give-up-after S]\n"
        "                         the heading line, then one record line per sample, until\n"
        "                         N samples or Ctrl-C; S is whole seconds, 1 to 86400\n"
        "                         (default 1); the unit defaults to the meter's\n"
        "  record FILE [--interval S] [--samples N] [--duration S] [--give-up-after S]\n"
        "                         a recording into FILE as the desktop program makes it\n"
        "                         (heading, record lines, continuation files FILE-1 ... every\n"
        "                         320000 lines); ends after N samples, S seconds, Ctrl-C or\n"
        "                         SIGTERM, always with whole lines in the file; each line\n"
        "                         on standard input is a mark (\"load in\", \"T2: door\n"
        "                         opened\" for one channel), kept in FILE.marks\n"
        "  mark TEXT [--channel T2]\n"
        "                         a mark in the recording of this user's running record;\n"
        "                         status 1 when none runs\n"
        "  serve [--listen ADDRESS:PORT] [--token-file FILE] [--interval S] [--duration S]\n"
        "                         the live web view and Prometheus metrics while polling,\n"
        "                         at http://ADDRESS:PORT/ (default 127.0.0.1:8080; 0.0.0.0\n"
        "                         serves every network); /api/live, /api/samples?since=N,\n"
        "                         /metrics; with a token file every request needs\n"
        "                         ?token=TOKEN; live and record serve too with --http\n"
        "                         ADDRESS:PORT\n"
        "  live, record and serve also take:\n"
        "      --calibration FILE the probes' calibration corrections, one line each:\n"
        "                         \"T1 C offset -0.3\", \"T2 C two-point 0 0.4 100 99.2\"\n"
        "                         (read, true), \"T3 F table 32 0.2 212 -0.3\" (read,\n"
        "                         correction); readings printed, served and alarmed on are\n"
        "                         corrected, a notice on standard error names the\n"
        "                         corrections; record's FILE keeps what the meter read,\n"
        "                         FILE.corrected the corrected readings; a line that\n"
        "                         cannot be read is status 2, before anything starts\n"
        "      --mark-token TOKEN with the live web view: POST /api/mark with\n"
        "                         \"Authorization: Bearer TOKEN\" and {\"text\": \"load in\"}\n"
        "                         places a mark; the page shows a form for it\n"
        "      --alarm T1>=250    an event when T1 reaches 250, another when it falls back\n"
        "                         below 250 minus the hysteresis; T3<=-18 watches a minimum;\n"
        "                         in the unit of the readings; give one --alarm per limit\n"
        "      --hysteresis D     degrees a reading must move back to clear (default 1.0)\n"
        "      --on-alarm COMMAND run by the shell for each event, with CORVILAB_EVENT,\n"
        "                         CORVILAB_CHANNEL, CORVILAB_VALUE, CORVILAB_UNIT,\n"
        "                         CORVILAB_LIMIT and CORVILAB_TIME; ended after 10 s or\n"
        "                         by Ctrl-C; what it prints goes to standard error\n"
        "      --alarm-log FILE   appends each event to FILE (CSV: time, channel, event,\n"
        "                         value, limit); a FILE that cannot be appended to is\n"
        "                         refused at the start (status 2)\n"
        "                         Probes lost and back, Over, Under and a link lost for 30 s\n"
        "                         are events too; each prints a line on standard error\n"
        "      --reference FILE --band D [--channel T1] [--align start|T1>=100]\n"
        "                         holds the channel against the run in FILE (a .4ch file and\n"
        "                         its continuation files): band-out when a reading is more\n"
        "                         than D from it (+D1/-D2: D1 above, D2 below), band-in when\n"
        "                         it is back; lined up at the first sample, or where each\n"
        "                         first reaches the level\n"
        "  logger sets            the logger's sets: Set, Date Time, Intv., Rec.s\n"
        "  logger get SET [-o FILE] [--unit C|F]\n"
        "                         the set's records as the data list shows and saves them;\n"
        "                         the unit defaults to the set's own\n"
        "  logger all DIR [--unit C|F]\n"
        "                         every set into DIR/set-N.4ch (DIR is made if missing)\n"
        "  logger manual          the manual entries as the manual record list shows them\n"
        "  erase auto|manual --yes\n"
        "                         erases the automatically or the manually recorded data\n"
        "  clock                  the meter's clock, yyyy/mm/dd hh:nn:ss\n"
        "  clock set              sets the meter's clock from this computer's clock\n"
        "  interval [N]           prints, or sets, the meter's logger interval (1 to 255 s)\n"
        "  poweroff [5|15|30]     prints, or sets, the meter's power-off time in minutes\n"
        "  key NAME [--long]      presses a key: READ, ALARM, CF, SET, TIME, MAXMIN, MEM,\n"
        "                         TYPE, HOLD, UP, LEFT, ENTER, RIGHT, DOWN; --long holds\n"
        "                         MAXMIN or MEM for 2.5 s\n"
        "  convert FILE [-o OUT] --to csv\n"
        "                         a .4ch data file as CSV (see below)\n"
        "  stats FILE [--above LEVEL]\n"
        "                         one line per recorded channel of a .4ch data file and its\n"
        "                         continuation files FILE-1 ...: channel (T1 ...), minimum,\n"
        "                         its date and time, maximum, its date and time, mean,\n"
        "                         readings, and with --above the seconds above LEVEL (a\n"
        "                         reading counts until the next one, at most one usual\n"
        "                         interval); in the file's unit; Over, Under and - - - are\n"
        "                         left out; a file that is not a data file is status 2\n"
        "  compare REFERENCE RUN... [--channel T1] [--align start|T1>=100|T1<=50|mark:TEXT]\n"
        "          [--band D | --band +D1/-D2] [--unit C|F] [-o ALIGNED.csv]\n"
        "                         each run (a .4ch file and its continuation files) against\n"
        "                         the reference on one channel (default T1), lined up at\n"
        "                         their first samples, where each first reaches the level or\n"
        "                         at each one's first mark of that text; corrected readings\n"
        "                         (.corrected beside a file) are compared where there are any,\n"
        "                         at the reference's times (linear interpolation, never across\n"
        "                         Over, Under or - - -): one line per run, reference first,\n"
        "                         after the heading run, start, aligned at, max above, max\n"
        "                         below, mean abs, outside s, verdict. Degrees and seconds to\n"
        "                         one decimal, rounded half away from zero; max below is how\n"
        "                         far below, as a positive number; a reading exactly D away is\n"
        "                         inside; each sample outside counts until the reference's\n"
        "                         next. Without --band there is no verdict. The unit defaults\n"
        "                         to the reference's; -o writes the runs' values at the\n"
        "                         reference's times as CSV. Exit status 0 when every run\n"
        "                         passes, 1 when one fails, 2 on bad input\n"
        "\n"
        "live and record ride through a lost link (a pulled USB adapter, a meter switched\n"
        "off): a notice on standard error says when the link is lost and when it is back.\n"
        "Meanwhile no sample is taken and the port is opened again about once a second.\n"
        "A meter that comes back goes on where it was, numbering included.\n"
        "--give-up-after S ends the run with status 1 when the meter stays away S seconds\n"
        "(default: never).\n"
        "\n"
        "A change of the meter's set-up (a probe plugged in or unplugged, a thermocouple\n"
        "type, the unit) does not end a run: record goes on in its next continuation file\n"
        "FILE-N, which starts with the new heading, numbering on; live prints the new\n"
        "heading line and goes on; serve goes on. A notice on standard error says what\n"
        "changed.\n"
        "\n"
        "Files written with -o, by record and by logger all are .4ch data files exactly as\n"
        "the desktop program writes them (Windows-1252, CR LF, a TAB after every field).\n"
        "Standard output carries the same fields in UTF-8, separated by TAB, one line each,\n"
        "ending in LF. Errors go to standard error, one line each.\n"
        "\n"
        "CSV (RFC 4180, UTF-8, no byte-order mark; CR LF in a file, LF on standard output):\n"
        "  Record, Date Time, then two columns per channel: \"T1 - K (°C)\" holds the\n"
        "  reading with \".\" as decimal separator whatever the locale, \"T1 - K flag\" holds\n"
        "  \"Over\" or \"Under\" (or any other text of the file that is not a number). Both\n"
        "  are empty for \"- - -\" and for a channel a logger set did not record. Date\n"
        "  Time is ISO 8601 local time, 2013-08-08T14:05:09.\n"
        "\n"
        "Exit status:\n"
        "  0  success (also a record or live stopped by Ctrl-C or SIGTERM)\n"
        "  1  the meter did not answer, or the link failed\n"
        "  2  wrong usage\n"
        "  3  a file could not be read or written\n");
}
