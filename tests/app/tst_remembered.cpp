#include "app/application.h"
#include "app/channel_card.h"
#include "app/panel_window.h"
#include "calibration/calibration_window.h"
#include "link/port_window.h"
#include "serve/live_server.h"
#include "serve/share_window.h"
#include "support/app_rig.h"
#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"
#include "ui/remembered.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Choices remembered from one start to the next, in a settings file of Qt's test mode.
class TestRemembered : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void portThatWorkedIsPreselected_data();
    void portThatWorkedIsPreselected();
    void fileDialogsStartInTheLastFolder();
    void sharedLiveView_data();
    void sharedLiveView();
    void calibrationWindow_data();
    void calibrationWindow();
    void correctionsComeBackAtStart();
};

namespace {

// A GET on the program's own event loop, as a browser elsewhere would make it.
QNetworkReply::NetworkError Fetch(const QString& url, QByteArray* body) {
    QNetworkAccessManager net;
    net.setProxy(QNetworkProxy::NoProxy);
    std::unique_ptr<QNetworkReply> reply(net.get(QNetworkRequest(QUrl(url))));
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 10000))
        return QNetworkReply::TimeoutError;
    *body = reply->readAll();
    return reply->error();
}

} // namespace

void TestRemembered::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    const QString file =
        QSettings(QStringLiteral("Corvilab"), QStringLiteral("Corvilab")).fileName();
    QVERIFY2(file.contains(QStringLiteral("qttest")), qPrintable(file));
}

void TestRemembered::init() {
    QSettings(QStringLiteral("Corvilab"), QStringLiteral("Corvilab")).clear();
}

void TestRemembered::portThatWorkedIsPreselected_data() {
    QTest::addColumn<QStringList>("started"); // ports the main window was started on, in order
    QTest::addColumn<QString>("preselect");   // from the command line
    QTest::addColumn<QString>("shown");       // what the next port window offers
    const QString simulated = PortWindow::SimulatedText();
    QTest::newRow("opened") << QStringList{simulated} << QString() << simulated;
    QTest::newRow("a port that failed is not remembered")
        << QStringList{simulated, "/dev/corvilab-no-such-port"} << QString() << simulated;
    QTest::newRow("the command line wins") << QStringList{simulated} << "/dev/ttyCorvilab9"
                                           << "/dev/ttyCorvilab9";
}

void TestRemembered::portThatWorkedIsPreselected() {
    QFETCH(QStringList, started);
    QFETCH(QString, preselect);
    QFETCH(QString, shown);
    for (const QString& port : started) {
        ScriptedDialogs dialogs;
        Application::Overrides o;
        o.dialogs = &dialogs;
        Application app(o);
        const bool simulated = port == PortWindow::SimulatedText();
        QCOMPARE(app.StartPanel({simulated, simulated ? QString() : port}), simulated);
    }
    PortWindow window(PortChoice{false, preselect});
    const PortChoice choice = window.CurrentChoice();
    QCOMPARE(choice.simulated ? PortWindow::SimulatedText() : choice.name, shown);
}

void TestRemembered::fileDialogsStartInTheLastFolder() {
    QTemporaryDir first, second;
    QtDialogs dialogs;
    QStringList startedIn;
    // Answers the next file dialog with `path`, noting the folder it opened in.
    const auto answer = [&](const QString& path) {
        QTimer::singleShot(0, this, [&startedIn, path] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            startedIn << dialog->directory().absolutePath();
            dialog->selectFile(path);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    };
    const QString saved = first.filePath(QStringLiteral("run.4ch"));
    answer(saved);
    QCOMPARE(dialogs.SaveFileName(nullptr, "Save As", "*.4ch"), saved);
    const QString opened = second.filePath(QStringLiteral("old.4ch"));
    QVERIFY(QFile(opened).open(QIODevice::WriteOnly));
    answer(opened);
    QCOMPARE(dialogs.OpenFileName(nullptr, "Open", "*.4ch"), opened);
    // A later start keeps the folder too: it is in the settings, not in this object.
    answer(first.filePath(QStringLiteral("next.csv")));
    QtDialogs().SaveFileName(nullptr, "Save As", "*.csv");
    QCOMPARE(startedIn.mid(1), (QStringList{first.path(), second.path()}));
}

void TestRemembered::sharedLiveView_data() {
    QTest::addColumn<QString>("listen");
    QTest::addColumn<QString>("markToken");
    QTest::addColumn<int>("markStatus"); // of POST /api/mark with that token
    QTest::newRow("loopback, any free port") << "127.0.0.1:0"
                                             << "" << 405;
    QTest::newRow("the page places marks") << "127.0.0.1:0"
                                           << "s3cret" << 201;
}

void TestRemembered::sharedLiveView() {
    QFETCH(QString, listen);
    QFETCH(QString, markToken);
    QFETCH(int, markStatus);
    ScriptedDialogs dialogs;
    Application::Overrides o;
    o.dialogs = &dialogs;
    for (int start = 0; start < 2; ++start) {
        Application app(o);
        QVERIFY(app.StartPanel({true, QString()}));
        QLabel* status = app.GetPanel().ShareStatus();
        app.GetPanel().findChild<QAction*>(QStringLiteral("Toolbar1_Share"))->trigger();
        ShareWindow* window = app.GetShareWindow();
        QVERIFY(window);
        if (start == 0) {
            // Off until the user turns it on.
            QCOMPARE(status->text(), QString());
            QCOMPARE(window->ListenAddressEntry()->text(), QStringLiteral("127.0.0.1:8080"));
            window->ListenAddressEntry()->setText(listen);
            window->MarkTokenEntry()->setText(markToken);
            window->ShareToggle()->click();
        }
        QCOMPARE(window->MarkTokenEntry()->text(), markToken);
        // On, and on again at the next start.
        QVERIFY(app.Sharing());
        const QString url = app.Sharing()->Url();
        QVERIFY2(QRegularExpression(QStringLiteral("^http://127\\.0\\.0\\.1:[1-9]\\d*/$"))
                     .match(url)
                     .hasMatch(),
                 qPrintable(url));
        QCOMPARE(status->text(), QStringLiteral("Sharing on ") + url +
                                     (markToken.isEmpty() ? "" : "; the page places marks"));
        QVERIFY(window->ShareToggle()->isChecked());
        if (start == 0) {
            QNetworkAccessManager net;
            net.setProxy(QNetworkProxy::NoProxy);
            QNetworkRequest post(QUrl(url + QStringLiteral("api/mark")));
            post.setRawHeader("Authorization", "Bearer " + markToken.toUtf8());
            post.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
            std::unique_ptr<QNetworkReply> reply(net.post(post, QByteArray("text=load+in")));
            QVERIFY(QTest::qWaitFor([&] { return reply->isFinished(); }, 10000));
            QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                     markStatus);
            QCOMPARE(app.Session().Marks().size(), markStatus == 201 ? 1 : 0);
        }
        QByteArray body;
        QCOMPARE(Fetch(url + QStringLiteral("api/live"), &body), QNetworkReply::NoError);
        QCOMPARE(QJsonDocument::fromJson(body)["channels"].toArray().size(), 4);
        if (start == 1) {
            // Off: the address is no longer served.
            window->ShareToggle()->click();
            QCOMPARE(status->text(), QString());
            QCOMPARE(Fetch(url + QStringLiteral("api/live"), &body),
                     QNetworkReply::ConnectionRefusedError);
        }
    }
}

// The window starts with T1 offset by 0.5 °C in force; one row is edited, or a file opened, then
// "Apply". What is in force is what the panel names on a corrected reading, and is remembered.
void TestRemembered::calibrationWindow_data() {
    QTest::addColumn<int>("channel"); // the row edited, -1 for none
    QTest::addColumn<int>("kind");    // None, Offset, Two points, Table
    QTest::addColumn<int>("unit");    // °C, °F
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<QString>("file");  // opened first, when given
    QTest::addColumn<QString>("error"); // %1: the file
    QTest::addColumn<QString>("inForce");
    QTest::addColumn<QString>("value"); // the card whose reading is corrected
    QTest::addColumn<QString>("tip");   // what its hover names
    const QString before = "T1 C offset 0.5\n";
    QTest::newRow("offset") << 0 << 1 << 0 << "-0.3"
                            << ""
                            << ""
                            << "T1 C offset -0.3\n"
                            << "CLblValue0"
                            << "T1 offset -0.3 °C";
    QTest::newRow("two points in °F") << 1 << 2 << 1 << "32 32.4 212 211.5"
                                      << ""
                                      << "" << before + "T2 F two-point 32 32.4 212 211.5\n"
                                      << "FLblValue1"
                                      << "T2 two-point 32 → 32.4, 212 → 211.5 °F";
    QTest::newRow("none") << 0 << 0 << 0 << "-0.3"
                          << ""
                          << ""
                          << ""
                          << "CLblValue0"
                          << "";
    QTest::newRow("an offset of two numbers")
        << 0 << 1 << 0 << "-0.3 1"
        << ""
        << "T1: offset takes one number, the correction" << before << "CLblValue0"
        << "T1 offset +0.5 °C";
    QTest::newRow("a table with a word") << 3 << 3 << 0 << "0 0.2 100 abc"
                                         << ""
                                         << "T4: \"abc\" is not a number" << before << "CLblValue3"
                                         << "";
    QTest::newRow("a file") << -1 << 0 << 0 << ""
                            << "T3 F table 32 0.2 212 -0.3\n"
                            << ""
                            << "T3 F table 32 0.2 212 -0.3\n"
                            << "CLblValue0"
                            << "";
    QTest::newRow("a file with both units, one row edited")
        << 0 << 1 << 0 << "-0.3"
        << "T1 C offset -0.2\nT1 F offset -0.5\n"
        << ""
        << "T1 C offset -0.3\nT1 F offset -0.5\n"
        << "CLblValue0"
        << "T1 offset -0.3 °C";
    QTest::newRow("a file with a bad line")
        << -1 << 0 << 0 << ""
        << "T1 C offset -0.2\nT2 C table 0 0.1 50\n"
        << "%1 line 2: table takes pairs of numbers: reading correction ..." << before
        << "CLblValue0"
        << "T1 offset +0.5 °C";
}

void TestRemembered::calibrationWindow() {
    QFETCH(int, channel);
    QFETCH(int, kind);
    QFETCH(int, unit);
    QFETCH(QString, numbers);
    QFETCH(QString, file);
    QFETCH(QString, error);
    QFETCH(QString, inForce);
    QFETCH(QString, value);
    QFETCH(QString, tip);
    AppRig rig(1.0, 100);
    QVERIFY(rig.StartLinked());
    QString why;
    rig.app.Session().SetCalibration(*Calibration::Parse("T1 C offset 0.5", &why));
    rig.app.GetPanel().findChild<QAction*>(QStringLiteral("Toolbar1_Calibration"))->trigger();
    CalibrationWindow* window = rig.app.GetCalibrationWindow();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->NumbersEntry(0)->text(), QStringLiteral("0.5"));
    QTemporaryDir dir;
    const QString path = dir.filePath("probes.cal");
    if (!file.isEmpty()) {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file.toUtf8()) > 0);
        out.close();
        rig.dialogs.fileAnswers << path;
        window->findChild<QPushButton*>(QStringLiteral("CmdOpen"))->click();
    }
    if (channel >= 0) {
        window->KindChoice(channel)->setCurrentIndex(kind);
        window->UnitChoice(channel)->setCurrentIndex(unit);
        window->NumbersEntry(channel)->setText(numbers);
    }
    window->findChild<QPushButton*>(QStringLiteral("CmdApply"))->click();
    QCOMPARE(rig.dialogs.Texts(), error.isEmpty() ? QStringList() : QStringList{error.arg(path)});
    QCOMPARE(rig.app.Session().GetCalibration().Text(), inForce);
    const bool applied = error.isEmpty() || !file.isEmpty();
    QCOMPARE(Remembered(QStringLiteral("Calibration")).toString(), applied ? inForce : QString());
    // The next sample's reading says it is corrected, and by what.
    rig.app.GetSampler().TakeSample();
    Panel& panel = rig.app.GetPanel();
    auto* reading = panel.findChild<QLabel*>(value);
    auto* caption = panel.findChild<QLabel*>(QString(value).replace("Value", "Corrected"));
    QVERIFY(reading && caption);
    QCOMPARE(caption->isHidden(), tip.isEmpty());
    QVERIFY2(tip.isEmpty() ? caption->isHidden() : caption->text().startsWith("corrected"),
             qPrintable(caption->text()));
    QVERIFY2(tip.isEmpty() ? reading->toolTip().isEmpty()
                           : reading->toolTip().startsWith("read ") &&
                                 reading->toolTip().endsWith("; " + tip),
             qPrintable(reading->toolTip()));
}

// What "Apply" put in force is in force again at the next start, before any window opens.
void TestRemembered::correctionsComeBackAtStart() {
    const QString text = QStringLiteral("T2 F two-point 32 32.4 212 211.5\n");
    {
        ScriptedDialogs dialogs;
        Application::Overrides o;
        o.dialogs = &dialogs;
        Application app(o);
        CalibrationWindow* window = app.ShowCalibrationWindow();
        window->KindChoice(1)->setCurrentIndex(2);
        window->UnitChoice(1)->setCurrentIndex(1);
        window->NumbersEntry(1)->setText(QStringLiteral("32 32.4 212 211.5"));
        window->findChild<QPushButton*>(QStringLiteral("CmdOK"))->click();
        QVERIFY(window->isHidden());
    }
    ScriptedDialogs dialogs;
    Application::Overrides o;
    o.dialogs = &dialogs;
    Application app(o);
    QCOMPARE(app.Session().GetCalibration().Text(), text);
    QCOMPARE(app.ShowCalibrationWindow()->NumbersEntry(1)->text(),
             QStringLiteral("32 32.4 212 211.5"));
}

QTEST_MAIN(TestRemembered)
#include "tst_remembered.moc"
