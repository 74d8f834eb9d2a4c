// Reference windows for tools/bench/measure.sh: what any Qt program pays for a window.
//   refwindow text   a fixed-size window with one label and one focused line edit
//   refwindow empty  the same window without children
// Both are 298 x 258 like the program's main window.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("reference"));
    window.setFixedSize(298, 258);
    if (argc > 1 && std::strcmp(argv[1], "text") == 0) {
        auto* label = new QLabel(QStringLiteral("IP address"), &window);
        label->setGeometry(16, 24, 120, 13);
        auto* edit = new QLineEdit(QStringLiteral("127.0.0.1"), &window);
        edit->setGeometry(16, 40, 177, 21);
        edit->setFocus();
    }
    window.show();
    return QApplication::exec();
}
