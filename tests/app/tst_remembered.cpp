#include "app/application.h"
#include "app/panel_window.h"
#include "link/port_window.h"
#include "serve/live_server.h"
#include "serve/share_window.h"
#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
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
    QTest::newRow("loopback, any free port") << "127.0.0.1:0";
}

void TestRemembered::sharedLiveView() {
    QFETCH(QString, listen);
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
            window->ShareToggle()->click();
        }
        // On, and on again at the next start.
        QVERIFY(app.Sharing());
        const QString url = app.Sharing()->Url();
        QVERIFY2(QRegularExpression(QStringLiteral("^http://127\\.0\\.0\\.1:[1-9]\\d*/$"))
                     .match(url)
                     .hasMatch(),
                 qPrintable(url));
        QCOMPARE(status->text(), QStringLiteral("Sharing on ") + url);
        QVERIFY(window->ShareToggle()->isChecked());
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

QTEST_MAIN(TestRemembered)
#include "tst_remembered.moc"
