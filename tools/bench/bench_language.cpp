// Prints how long the worst language files that the reader admits take: read alone, and
// loaded into the main window. A benchmark, not a test: it asserts nothing.
#include "Application.h"
#include "Language.h"
#include "ModalRunner.h"
#include "ProgramMain.h"
#include "XmlDocument.h"
#include "uf_ZVKdemo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {
QByteArray Under(const QByteArray& head, const QByteArray& unit, const QByteArray& tail)
{
    const qsizetype room = TXmlDocument::MaxFileSize - head.size() - tail.size();
    return head + unit.repeated(room / unit.size()) + tail;
}

QByteArray CrowdedElement()
{
    // Names that differ for XML and all name the label's Caption: the case varies.
    QByteArray unit = "<Label1";
    for (int i = 0; i < TXmlDocument::MaxAttributes; ++i) {
        QByteArray name = "caption";
        for (int bit = 0; bit < 7; ++bit)
            if (i & (1 << bit))
                name[bit] = char(name[bit] - 32);
        unit += " " + name + "=\"" + QByteArray::number(i) + "\"";
    }
    return unit + "/>";
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetModalRunner([](QDialog&) { return 1; });
    TProgramModules program;
    program.CreateMainWindow()->Show();

    const QByteArray head = "<lng><forms><fZVKTeplomer><GroupBox1>";
    const QByteArray tail = "</GroupBox1></fZVKTeplomer></forms></lng>";
    const struct {
        const char* Name;
        QByteArray Data;
    } cases[] = {
        {"elements of 64 attributes", Under(head, CrowdedElement(), tail)},
        {"one long caption",
         Under(head + "<Label1 WordWrap=\"1\" Width=\"1\" Caption=\"", "x ", "\"/>" + tail)},
        {"many small elements", Under(head, "<Label1 Caption=\"a\"/>", tail)},
        {"entity references", Under("<!DOCTYPE r [<!ENTITY e \"" + QByteArray(4000, 'e') + "\">]>" +
                                        head + "<Label1 Caption=\"",
                                    "&e;", "\"/>" + tail)},
        {"deepest nesting", QByteArray("<a>").repeated(TXmlDocument::MaxDepth) +
                                QByteArray("</a>").repeated(TXmlDocument::MaxDepth)},
    };
    QTemporaryDir dir;
    for (const auto& c : cases) {
        QElapsedTimer t;
        t.start();
        QString outcome = QStringLiteral("read");
        try {
            TXmlDocument::Parse(c.Data);
        } catch (const Exception& e) {
            outcome = e.Message().section(u'\r', 0, 0);
        }
        const qint64 parsed = t.nsecsElapsed();
        const QString path = dir.filePath(QStringLiteral("bench.lng.xml"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(c.Data);
        f.close();
        t.restart();
        GuardedCall([&] { Language->LoadLanguage(path); });
        fZVKTeplomer->Widget()->repaint();
        const qint64 applied = t.nsecsElapsed();
        std::printf("%-28s %8lld bytes  parse %8.1f ms  load+apply+paint %8.1f ms  (%s)\n", c.Name,
                    static_cast<long long>(c.Data.size()), static_cast<double>(parsed) / 1e6,
                    static_cast<double>(applied) / 1e6, qPrintable(outcome));
    }
    return 0;
}
