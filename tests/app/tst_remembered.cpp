#include "app/application.h"
#include "link/port_window.h"
#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"

#include <QFileDialog>
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
};

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

QTEST_MAIN(TestRemembered)
#include "tst_remembered.moc"
