// Language files written to hurt: each one is loaded into the real main window, which must
// stay shown, sized within the screen, paintable in bounded time and memory, and closable.
#include "Application.h"
#include "DialogRecorder.h"
#include "GroupBox.h"
#include "Label.h"
#include "Language.h"
#include "LanguageChoice.h"
#include "Panel.h"
#include "ProgramMain.h"
#include "SpinEdit.h"
#include "uf_ZVKdemo.h"

#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QtTest>

namespace {
qint64 ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

QByteArray Window(const QByteArray& attributes, const QByteArray& children = {})
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<lng><forms><fZVKTeplomer " + attributes +
           ">" + children + "</fZVKTeplomer></forms></lng>";
}
} // namespace

class TestHostileLanguage : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void windowSurvives_data();
    void windowSurvives();
    void hidingTheShownWindowMinimisesIt();
    void crowdedElementIsAParseError();
    void emptyCaptionStaysEmpty();

private:
    void Load(const QByteArray& content);
    std::unique_ptr<TProgramModules> FProgram;
    std::unique_ptr<TDialogRecorder> FDialogs;
    QTemporaryDir FDir;
    TfZVKTeplomer* F = nullptr;
};

void TestHostileLanguage::init()
{
    QFile::remove(BesideProgramLanguageChoicePath());
    FProgram = std::make_unique<TProgramModules>();
    FDialogs = std::make_unique<TDialogRecorder>();
    F = FProgram->CreateMainWindow();
    QVERIFY(F);
    FDialogs->Shown.clear(); // only what the hostile file brings counts
    F->Show();
    QVERIFY(QTest::qWaitForWindowExposed(F->Widget()));
}

void TestHostileLanguage::cleanup()
{
    FProgram.reset();
    FDialogs.reset();
    QFile::remove(BesideProgramLanguageChoicePath());
}

void TestHostileLanguage::Load(const QByteArray& content)
{
    const QString path = FDir.filePath(QStringLiteral("hostile.lng.xml"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
    file.close();
    // As a flag click loads it: errors go to the exception report.
    GuardedCall([&] { Language->LoadLanguage(path); });
}

void TestHostileLanguage::windowSurvives_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray huge = QByteArray::number(std::numeric_limits<int>::max());
    const QByteArray tiny = QByteArray::number(std::numeric_limits<int>::min());
    QTest::newRow("wide bevel") << Window("", "<pnlTeplota BevelWidth=\"100000000\"/>");
    QTest::newRow("widest bevel and a border")
        << Window("", "<pnlTeplota BevelWidth=\"" + huge + "\" BorderWidth=\"1\"/>");
    QTest::newRow("widest border") << Window("", "<pnlTeplota BorderWidth=\"" + huge + "\"/>");
    QTest::newRow("client 20000") << Window("ClientWidth=\"20000\" ClientHeight=\"20000\"");
    QTest::newRow("client 40000") << Window("ClientWidth=\"40000\" ClientHeight=\"40000\"");
    QTest::newRow("client width 0") << Window("ClientWidth=\"0\"");
    QTest::newRow("client width -5") << Window("ClientWidth=\"-5\" ClientHeight=\"-5\"");
    QTest::newRow("client width minimum") << Window("ClientWidth=\"" + tiny + "\"");
    QTest::newRow("client width maximum") << Window("ClientWidth=\"" + huge + "\"");
    QTest::newRow("outer width minimum") << Window("Width=\"" + tiny + "\"");
    QTest::newRow("outer size maximum") << Window("Width=\"" + huge + "\" Height=\"" + huge + "\"");
    QTest::newRow("far away") << Window("Left=\"" + huge + "\" Top=\"" + tiny + "\"");
    QTest::newRow("hidden") << Window("Visible=\"0\"");
    QTest::newRow("disabled") << Window("Enabled=\"0\"");
    QTest::newRow("controls at the limits") << Window(
        "", "<GroupBox1><sePort Width=\"" + tiny + "\" MaxValue=\"" + huge + "\" Value=\"" + huge +
                "\"/><Label1 Left=\"" + huge + "\"/><txtIP Top=\"" + tiny + "\" Height=\"" + huge +
                "\"/></GroupBox1><pnlTeplota Width=\"" + huge + "\" Height=\"" + huge +
                "\" BevelWidth=\"" + huge + "\"/>");
    // The file size bound now refuses a caption of millions of characters; the longest one a
    // file can carry stands in for it.
    QTest::newRow("long wrapped caption")
        << Window("", "<GroupBox1><Label1 WordWrap=\"1\" Width=\"1\" Caption=\"" +
                          QByteArray("x ").repeated(120000) + "\"/></GroupBox1>");
    QTest::newRow("long captions elsewhere")
        << Window("Caption=\"" + QByteArray(60000, 'w') + "\"",
                  "<GroupBox1 Caption=\"" + QByteArray(60000, 'g') + "\"><cmdConnect Caption=\"" +
                      QByteArray(60000, 'c') + "\"/></GroupBox1><pnlTeplota Caption=\"" +
                      QByteArray(60000, 'p') + "\"/>");
}

void TestHostileLanguage::windowSurvives()
{
    QFETCH(QByteArray, content);
    const qint64 before = ResidentKiB();
    Load(content);
    QVERIFY2(FDialogs->Shown.isEmpty(), qPrintable(FDialogs->Shown.value(0).Text));

    QWidget* w = F->Widget();
    QVERIFY(w->isVisible());
    const QSize available = w->screen()->availableGeometry().size();
    QVERIFY(w->width() >= TForm::MinClientWidth && w->height() >= TForm::MinClientHeight);
    QVERIFY(w->width() <= available.width() && w->height() <= available.height());
    QCOMPARE(QSize(F->ClientWidth(), F->ClientHeight()), w->size());
    for (TControl* c : {static_cast<TControl*>(F->pnlTeplota), static_cast<TControl*>(F->Label1),
                        static_cast<TControl*>(F->sePort)})
        QVERIFY(qAbs(c->Left()) <= 32768 && c->Width() >= 0 && c->Width() <= 32767);

    // Painting everything is bounded work: the report measured seconds to minutes before.
    QElapsedTimer painting;
    painting.start();
    const QPixmap shot = w->grab();
    QVERIFY(!shot.isNull());
    QVERIFY2(painting.elapsed() < 5000, qPrintable(QString::number(painting.elapsed())));
    QVERIFY2(ResidentKiB() - before < qint64{200} * 1024,
             qPrintable(QString::number(ResidentKiB() - before)));

    // The close request still runs the close sequence and ends the program.
    w->close();
    QVERIFY(Application->Terminated());
}

void TestHostileLanguage::hidingTheShownWindowMinimisesIt()
{
    Load(Window("Visible=\"0\""));
    QVERIFY(F->Widget()->isVisible());
    QVERIFY(F->Widget()->isMinimized());
    QVERIFY(F->Visible());
}

// 100 000 attributes took 21 s to read; the file size bound now refuses a file that large,
// so the largest crowd a file can still carry is used.
void TestHostileLanguage::crowdedElementIsAParseError()
{
    const QString before = F->Caption();
    QByteArray attributes;
    for (int i = 0; i < 20000; ++i)
        attributes += " a" + QByteArray::number(i) + "=\"\"";
    Load(Window("Caption=\"x\"" + attributes));
    QCOMPARE(FDialogs->Shown.size(), 1);
    QCOMPARE(FDialogs->Shown.at(0).Text.section(QStringLiteral("\r\n"), 1, 1),
             QStringLiteral("Line: 2"));
    QCOMPARE(F->Caption(), before);
}

void TestHostileLanguage::emptyCaptionStaysEmpty()
{
    Load(Window("Caption=\"\""));
    QCOMPARE(F->Caption(), QString());
    QCOMPARE(F->Widget()->windowTitle(), QString());
}

QTEST_MAIN(TestHostileLanguage)
#include "tst_hostilelanguage.moc"
