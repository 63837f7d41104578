// The peer of the memory and start-up benchmarks: the least a Qt Widgets
// program costs on the same display, one window with one label.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Nimbrel"));
    label.show();
    return QApplication::exec();
}
