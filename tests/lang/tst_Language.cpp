#include "Language.h"
#include "ProgramDirectory.h"

#include "Application.h"
#include "Button.h"
#include "ComboBox.h"
#include "DialogRecorder.h"
#include "Edit.h"
#include "Form.h"
#include "GroupBox.h"
#include "Label.h"
#include "Panel.h"
#include "Screen.h"
#include "Timer.h"

#include <QtTest>
#include <sys/stat.h>

namespace {
// Reads a published property as text, for comparisons.
QString Prop(TComponent* c, const char* name)
{
    return c->ClassInfo().FindProperty(QLatin1String(name))->Read(*c).toString();
}

template <class T> T* Make(TComponent* owner, TWinControl* parent, const char* name)
{
    T* c = new T(owner);
    c->SetName(QLatin1String(name));
    if constexpr (std::is_base_of_v<TControl, T>)
        if (parent)
            c->SetParent(parent);
    return c;
}

QByteArray Wrap(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<lng>" + body + "</lng>";
}
} // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void appliesByName_data();
    void appliesByName();
    void everyFormsInOrderFirstConstOnly();
    void constants_data();
    void constants();
    void comboItems();
    void failedAssignmentStopsTheRest_data();
    void failedAssignmentStopsTheRest();
    void malformedFileChangesNothing();
    void windows1250File();
    void missingFileChangesNothing_data();
    void missingFileChangesNothing();
    void backslashMeansProgramDirectory();
    void reloadFromAChangeHandler();
    void shippedFiles_data();
    void shippedFiles();

private:
    QString Write(const QByteArray& content, const QString& name = QStringLiteral("t.lng.xml"));

    TScreen* FScreen = nullptr;
    TApplication* FApplication = nullptr;
    std::unique_ptr<QTemporaryDir> FDir;
    TForm* FForm = nullptr;
    TGroupBox* FGroup = nullptr;
    TLabel* FLabel1 = nullptr;
    TEdit* FIP = nullptr;
    TButton* FConnect = nullptr;
    TComboBox* FCombo = nullptr;
    TPanel* FPanel = nullptr;
    TTimer* FTimer = nullptr;
};

void TestLanguage::initTestCase()
{
    FScreen = new TScreen;
    FApplication = new TApplication;
}

void TestLanguage::cleanupTestCase()
{
    delete FApplication;
    delete FScreen;
}

// The main window's tree in small, with a combo box in the group.
void TestLanguage::init()
{
    InitLanguageUnit();
    FDir = std::make_unique<QTemporaryDir>();
    FForm = Make<TForm>(FApplication, nullptr, "fZVKTeplomer");
    FForm->SetCaption(QStringLiteral("Ukázka měření teploty na ZVK"));
    FGroup = Make<TGroupBox>(FForm, FForm, "GroupBox1");
    FLabel1 = Make<TLabel>(FForm, FGroup, "Label1");
    FIP = Make<TEdit>(FForm, FGroup, "txtIP");
    FConnect = Make<TButton>(FForm, FGroup, "cmdConnect");
    FCombo = Make<TComboBox>(FForm, FGroup, "cbLanguage");
    FPanel = Make<TPanel>(FForm, FForm, "pnlTeplota");
    FTimer = Make<TTimer>(FForm, nullptr, "Timer1");
    FGroup->SetCaption(QStringLiteral(" Nastavení připojení "));
    FLabel1->SetCaption(QStringLiteral("IP adresa zařízení"));
    FIP->SetText(QStringLiteral("192.168.1.254"));
    FConnect->SetCaption(QStringLiteral("Připojit"));
    FCombo->AddItem(QStringLiteral("old"));
    FTimer->SetEnabled(false);
}

void TestLanguage::cleanup()
{
    delete FForm;
    FDir.reset();
    FinalizeLanguageUnit();
}

QString TestLanguage::Write(const QByteArray& content, const QString& name)
{
    QFile f(FDir->filePath(name));
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(content);
    return f.fileName();
}

void TestLanguage::appliesByName_data()
{
    QTest::addColumn<QByteArray>("form");
    QTest::addColumn<QString>("component");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected");

    QTest::newRow("attribute in lower case sets Caption")
        << QByteArray("<fZVKTeplomer caption=\"Demo\"/>") << "fZVKTeplomer"
        << "Caption"
        << "Demo";
    QTest::newRow("window name in lower case addresses nothing")
        << QByteArray("<fzvkteplomer Caption=\"Demo\"/>") << "fZVKTeplomer"
        << "Caption"
        << "Ukázka měření teploty na ZVK";
    QTest::newRow("element in lower case addresses nothing")
        << QByteArray(
               "<fZVKTeplomer><GroupBox1><cmdconnect Caption=\"X\"/></GroupBox1></fZVKTeplomer>")
        << "cmdConnect"
        << "Caption"
        << "Připojit";
    QTest::newRow("txtIP directly under the window finds nothing")
        << QByteArray("<fZVKTeplomer><txtIP Text=\"10.0.0.1\"/></fZVKTeplomer>") << "txtIP"
        << "Text"
        << "192.168.1.254";
    QTest::newRow("txtIP under its group box")
        << QByteArray(
               "<fZVKTeplomer><GroupBox1><txtIP Text=\"10.0.0.1\"/></GroupBox1></fZVKTeplomer>")
        << "txtIP"
        << "Text"
        << "10.0.0.1";
    QTest::newRow("empty caption empties the label")
        << QByteArray("<fZVKTeplomer><GroupBox1><Label1 Caption=\"\"/></GroupBox1></fZVKTeplomer>")
        << "Label1"
        << "Caption"
        << "";
    QTest::newRow("a timer is no child control")
        << QByteArray("<fZVKTeplomer><Timer1 Enabled=\"1\"/></fZVKTeplomer>") << "Timer1"
        << "Enabled"
        << "0";
    QTest::newRow("Boolean 1 and 0")
        << QByteArray("<fZVKTeplomer><GroupBox1><cmdConnect Enabled=\"0\" "
                      "Default=\"1\"/></GroupBox1></fZVKTeplomer>")
        << "cmdConnect"
        << "Enabled"
        << "0";
    QTest::newRow("fraction truncated toward zero")
        << QByteArray(
               "<fZVKTeplomer><GroupBox1><Label1 Left=\"-3.99\"/></GroupBox1></fZVKTeplomer>")
        << "Label1"
        << "Left"
        << "-3";
    QTest::newRow("set given an empty text")
        << QByteArray("<fZVKTeplomer><GroupBox1 Anchors=\"\"/></fZVKTeplomer>") << "GroupBox1"
        << "Anchors"
        << "0";
    QTest::newRow("set by names") << QByteArray(
                                         "<fZVKTeplomer BorderIcons=\"[biSystemMenu,biHelp]\"/>")
                                  << "fZVKTeplomer"
                                  << "BorderIcons"
                                  << "9";
}

void TestLanguage::appliesByName()
{
    QFETCH(QByteArray, form);
    QFETCH(QString, component);
    QFETCH(QString, property);
    QFETCH(QString, expected);

    Language->LoadLanguage(Write(Wrap("<forms>" + form + "</forms>")));
    TComponent* c = component == u"fZVKTeplomer" ? FForm : FForm->FindComponent(component);
    QCOMPARE(Prop(c, property.toLatin1().constData()), expected);
}

void TestLanguage::everyFormsInOrderFirstConstOnly()
{
    Language->LoadLanguage(Write(Wrap("<const><Odpojit text=\"first\"/></const>"
                                      "<forms><fZVKTeplomer Caption=\"one\" Hint=\"kept\"/></forms>"
                                      "<const><Odpojit text=\"second\"/><Jiny text=\"x\"/></const>"
                                      "<forms><fZVKTeplomer Caption=\"two\"/></forms>")));
    QCOMPARE(FForm->Caption(), QStringLiteral("two"));
    QCOMPARE(FForm->Hint(), QStringLiteral("kept"));
    QCOMPARE(Language->GetConstText(QStringLiteral("Odpojit"), QStringLiteral("d")),
             QStringLiteral("first"));
    QCOMPARE(Language->GetConstText(QStringLiteral("Jiny"), QStringLiteral("d")),
             QStringLiteral("d"));
}

void TestLanguage::constants_data()
{
    QTest::addColumn<QByteArray>("consts");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("text") << QByteArray("<Odpojit text=\"Disconnect\"/>") << "Odpojit"
                          << "Disconnect";
    QTest::newRow("Czech key") << QByteArray("<Připojit text=\"Connect\"/>") << "Připojit"
                               << "Connect";
    QTest::newRow("key without text") << QByteArray("<Odpojit value=\"x\"/>") << "Odpojit"
                                      << "default";
    QTest::newRow("empty text") << QByteArray("<Odpojit text=\"\"/>") << "Odpojit"
                                << "";
    QTest::newRow("attribute name is case-sensitive")
        << QByteArray("<Odpojit Text=\"x\"/>") << "Odpojit"
        << "default";
    QTest::newRow("missing key") << QByteArray("<Jiny text=\"x\"/>") << "Odpojit"
                                 << "default";
    QTest::newRow("key after a prefix") << QByteArray("<l:Odpojit text=\"p\"/>") << "Odpojit"
                                        << "p";
}

void TestLanguage::constants()
{
    QFETCH(QByteArray, consts);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    const QString def = QStringLiteral("default");
    QCOMPARE(Language->GetConstText(key, def), def); // nothing loaded yet
    Language->LoadLanguage(Write(Wrap("<const>" + consts + "</const>")));
    QCOMPARE(Language->GetConstText(key, def), expected);
}

void TestLanguage::comboItems()
{
    const auto load = [&](const QByteArray& combo) {
        Language->LoadLanguage(Write(Wrap("<forms><fZVKTeplomer><GroupBox1>" + combo +
                                          "</GroupBox1></fZVKTeplomer></forms>")));
    };
    // The list is replaced before the element's own attributes act on it.
    load("<cbLanguage ItemIndex=\"1\"><items><item value=\"a\"/><!-- c --><x value=\"no\"/>"
         "<item/><item value=\"\"/></items><items><item value=\"later\"/></items></cbLanguage>");
    QCOMPARE(FCombo->Items(), QStringList({"a", "<Error In Lng File>", ""}));
    QCOMPARE(FCombo->ItemIndex(), 1);
    load("<cbLanguage Text=\"t\"/>");
    QCOMPARE(FCombo->Items().size(), 3);
    load("<cbLanguage><l:items/></cbLanguage>");
    QCOMPARE(FCombo->Items(), QStringList());
    QCOMPARE(FCombo->ItemIndex(), -1);
}

void TestLanguage::failedAssignmentStopsTheRest_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("message");

    QTest::newRow("misspelt property")
        << QByteArray("Captoin=\"x\"") << "Property Captoin does not exist";
    QTest::newRow("Font") << QByteArray("Font=\"Arial\"") << "Invalid property type: TFont";
    QTest::newRow("Font.Height") << QByteArray("Font.Height=\"-11\"")
                                 << "Property Font.Height does not exist";
    QTest::newRow("Boolean 2") << QByteArray("Enabled=\"2\"") << "Range check error";
    QTest::newRow("Boolean empty")
        << QByteArray("Enabled=\"\"")
        << "Could not convert variant of type (Null) into type (Integer)";
    QTest::newRow("unknown set name")
        << QByteArray("Anchors=\"[akLeft,akMiddle]\"") << "Invalid property element: akMiddle";
}

void TestLanguage::failedAssignmentStopsTheRest()
{
    QFETCH(QByteArray, bad);
    QFETCH(QString, message);

    const QString file =
        Write(Wrap("<forms><fZVKTeplomer Caption=\"New\"><GroupBox1 Caption=\"G\" " + bad +
                   " Hint=\"after\"><Label1 Caption=\"L\"/></GroupBox1><pnlTeplota Caption=\"P\"/>"
                   "</fZVKTeplomer></forms><forms><fZVKTeplomer Hint=\"later\"/></forms>"
                   "<const><Odpojit text=\"Disconnect\"/></const>"));
    try {
        Language->LoadLanguage(file);
        QFAIL("no exception");
    } catch (const Exception& e) {
        QCOMPARE(e.Message(), message);
    }
    QCOMPARE(FForm->Caption(), QStringLiteral("New"));
    QCOMPARE(FGroup->Caption(), QStringLiteral("G"));
    QCOMPARE(FGroup->Hint(), QString());
    QCOMPARE(FGroup->Anchors(), TAnchors((1u << akLeft) | (1u << akTop)));
    QCOMPARE(FLabel1->Caption(), QStringLiteral("IP adresa zařízení"));
    QCOMPARE(FPanel->Caption(), QString());
    QCOMPARE(FForm->Hint(), QString());
    QCOMPARE(Language->GetConstText(QStringLiteral("Odpojit"), QStringLiteral("Odpojit")),
             QStringLiteral("Disconnect"));
}

void TestLanguage::malformedFileChangesNothing()
{
    Language->LoadLanguage(Write(Wrap("<const><Odpojit text=\"first\"/></const>")));
    const QString file = Write("<?xml version=\"1.0\"?>\r\n<lng><forms>\r\n"
                               "<fZVKTeplomer Caption=\"Broken\"></GroupBox1> and a long tail\r\n"
                               "</forms></lng>\r\n",
                               QStringLiteral("bad.lng.xml"));
    try {
        Language->LoadLanguage(file);
        QFAIL("no exception");
    } catch (const EXmlParseError& e) {
        const QStringList parts = e.Message().split(QStringLiteral("\r\n"));
        QCOMPARE(parts.size(), 3);
        QCOMPARE(parts[1], QStringLiteral("Line: 3"));
        QCOMPARE(parts[2], QStringLiteral("<fZVKTeplomer Caption=\"Broken\"></GroupBo"));
    }
    QCOMPARE(FForm->Caption(), QStringLiteral("Ukázka měření teploty na ZVK"));
    QCOMPARE(Language->GetConstText(QStringLiteral("Odpojit"), QString()), QStringLiteral("first"));
}

void TestLanguage::windows1250File()
{
    Language->LoadLanguage(
        Write("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<lng><forms>"
              "<fZVKTeplomer Caption=\"\xdakol: m\xec\xf8it teplotu\"/></forms>"
              "<const><P\xf8ipojit text=\"P\xf8ipojit \xe8idlo\"/></const></lng>"));
    QCOMPARE(FForm->Caption(), QStringLiteral("Úkol: měřit teplotu"));
    QCOMPARE(Language->GetConstText(QStringLiteral("Připojit"), QString()),
             QStringLiteral("Připojit čidlo"));
}

void TestLanguage::missingFileChangesNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty name") << QString();
    QTest::newRow("no such file") << QStringLiteral("nope.lng.xml");
    QTest::newRow("a directory") << QStringLiteral("dir.lng.xml");
    QTest::newRow("a pipe") << QStringLiteral("pipe.lng.xml");
}

void TestLanguage::missingFileChangesNothing()
{
    QFETCH(QString, name);
    QVERIFY(QDir(FDir->path()).mkdir(QStringLiteral("dir.lng.xml")));
    QCOMPARE(::mkfifo(QFile::encodeName(FDir->filePath(QStringLiteral("pipe.lng.xml"))), 0600), 0);
    Language->LoadLanguage(Write(Wrap("<const><Odpojit text=\"earlier\"/></const>")));
    const QString path = name.isEmpty() ? name : FDir->filePath(name);

    TDialogRecorder dialogs;
    Language->LoadLanguage(path);
    QCOMPARE(dialogs.Shown.size(), 1);
    const QByteArray expected = "Soubor s p\xc5\x99"
                                "ekladem:\"" +
                                path.toUtf8() + "\" nenalezen!";
    QCOMPARE(dialogs.Shown[0].Text.toUtf8(), expected);
    QCOMPARE(FForm->Caption(), QStringLiteral("Ukázka měření teploty na ZVK"));
    QCOMPARE(Language->GetConstText(QStringLiteral("Odpojit"), QString()),
             QStringLiteral("earlier"));
}

void TestLanguage::backslashMeansProgramDirectory()
{
    const QString name = QStringLiteral("tst_Language.backslash.lng.xml");
    const QString besideProgram = ProgramDirectory() + name;
    QFile::remove(besideProgram);
    QVERIFY(QFile::copy(Write(Wrap("<const><k text=\"program\"/></const>")), besideProgram));
    Write(Wrap("<const><k text=\"working\"/></const>"), name);
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(FDir->path()));

    Language->LoadLanguage(u'\\' + name);
    const QString fromProgram = Language->GetConstText(QStringLiteral("k"), QString());
    Language->LoadLanguage(name);
    const QString fromWorking = Language->GetConstText(QStringLiteral("k"), QString());
    QDir::setCurrent(previous);
    QFile::remove(besideProgram);
    QCOMPARE(fromProgram, QStringLiteral("program"));
    QCOMPARE(fromWorking, QStringLiteral("working"));
}

// A change handler that loads another language while the first is being applied must not
// pull the first document away from under the walk.
void TestLanguage::reloadFromAChangeHandler()
{
    const QString other =
        Write(Wrap("<const><k text=\"other\"/></const>"), QStringLiteral("o.xml"));
    FIP->OnChange = [&](TComponent*) {
        FIP->OnChange = nullptr;
        Language->LoadLanguage(other);
    };
    Language->LoadLanguage(Write(
        Wrap("<forms><fZVKTeplomer><GroupBox1><txtIP Text=\"1.1.1.1\"/><Label1 Caption=\"after\"/>"
             "</GroupBox1></fZVKTeplomer></forms>")));
    QCOMPARE(FLabel1->Caption(), QStringLiteral("after"));
    QCOMPARE(Language->GetConstText(QStringLiteral("k"), QString()), QStringLiteral("other"));
}

void TestLanguage::shippedFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("Czech") << "cesky.lng.xml"
                           << QStringList({"Ukázka měření teploty na ZVK", " Nastavení připojení ",
                                           "IP adresa zařízení", "Připojit", "Odpojit",
                                           "Připojit"});
    QTest::newRow("English") << "english.lng.xml"
                             << QStringList({"Temperature measurement demo on ZVK",
                                             " Connection settings ", "Device IP address",
                                             "Connect", "Disconnect", "Connect"});
}

void TestLanguage::shippedFiles()
{
    QFETCH(QString, file);
    QFETCH(QStringList, texts);
    Language->LoadLanguage(QStringLiteral(ZVK_LANGUAGES_DIR "/") + file);
    const QStringList actual{FForm->Caption(),
                             FGroup->Caption(),
                             FLabel1->Caption(),
                             FConnect->Caption(),
                             Language->GetConstText(QStringLiteral("Odpojit"), QString()),
                             Language->GetConstText(QStringLiteral("Připojit"), QString())};
    QCOMPARE(actual, texts);
    QCOMPARE(FIP->GetText(), QStringLiteral("192.168.1.254"));
}

QTEST_MAIN(TestLanguage)
#include "tst_Language.moc"
