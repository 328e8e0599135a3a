#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow panel;
    panel.setWindowTitle(QStringLiteral("Panel  V8.03"));
    panel.show();
    return app.exec();
}
