#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvil"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quorvil"));
    window.setFixedSize(1022, 682);
    window.show();
    return app.exec();
}
