#include "Accessibility.h"
#include "Application.h"
#include "Button.h"
#include "DialogRecorder.h"
#include "Edit.h"
#include "FailingStack.h"
#include "IdException.h"
#include "IdTCPClient.h"
#include "Image.h"
#include "Language.h"
#include "LanguageChoice.h"
#include "LoopbackPeer.h"
#include "Panel.h"
#include "ProgramDirectory.h"
#include "ProgramMain.h"
#include "Screen.h"
#include "Simulator.h"
#include "SpinEdit.h"
#include "Timer.h"
#include "WindowNames.h"
#include "uf_ZVKdemo.h"

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
// Name changes announced for the main window, whose accessible name is its title.
const QObject* AnnouncedWindow = nullptr;
int WindowRenames = 0;
void CountWindowRenames(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::NameChanged && event->object() == AnnouncedWindow)
        ++WindowRenames;
}
} // namespace

// The main window against a thermometer simulator on loopback.
class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void connectShowsFirstReadingAtOnceThenEverySecond();
    void taskbarTextIsWrittenOnlyWhenItChanges();
    void windowTitleCarriesThisConnectionsReading();
    void pollShowsEachKindOfFrame_data();
    void pollShowsEachKindOfFrame();
    void deviceClosingReturnsToDisconnected();
    void receiveErrorsThroughTheWindow_data();
    void receiveErrorsThroughTheWindow();
    void peerResetShowsTheReadingThenDisconnects();
    void languageSwitchKeepsTheToggleTrue();
    void reportGivesTheFocusBackAsItWas_data();
    void reportGivesTheFocusBackAsItWas();
    void clickWhileConnectedDisconnects();
    void refusedConnectIsReportedWithNormalCursor();
    void closingWhileConnectedDisconnectsThenSaves();
    void portFieldKeepsTheClientInStep();
    void englishFlagSwitchesTexts();
    void missingEnglishFileKeepsCzechAndIsRemembered();
    void backslashNameFromAnotherWorkingDirectory();

private:
    void ConnectTo(int port);
    void ClickConnect() { static_cast<QPushButton*>(F->cmdConnect->Widget())->click(); }
    QByteArray SavedChoice();

    std::unique_ptr<TProgramModules> FProgram;
    std::unique_ptr<TDialogRecorder> FDialogs;
    TfZVKTeplomer* F = nullptr;
    const QString Degrees = QStringLiteral(" \u00B0C");
};

void TestConnection::initTestCase()
{
    SetStackFactory(TFailingStack::Create);
}

void TestConnection::cleanupTestCase()
{
    SetStackFactory(nullptr);
}

void TestConnection::init()
{
    QFile::remove(BesideProgramLanguageChoicePath());
    FProgram = std::make_unique<TProgramModules>();
    FDialogs = std::make_unique<TDialogRecorder>();
    F = FProgram->CreateMainWindow();
    F->Show();
}

void TestConnection::cleanup()
{
    TFailingStack::ClearHooks();
    InstallAnnouncementHandler(nullptr);
    FProgram.reset();
    FDialogs.reset();
    QFile::remove(BesideProgramLanguageChoicePath());
}

void TestConnection::ConnectTo(int port)
{
    F->txtIP->SetText(QStringLiteral("127.0.0.1"));
    F->sePort->SetText(QString::number(port));
    QCOMPARE(F->IdTCPClient1->Host(), QStringLiteral("127.0.0.1"));
    QCOMPARE(F->IdTCPClient1->Port(), port);
    ClickConnect();
}

QByteArray TestConnection::SavedChoice()
{
    QFile f(BesideProgramLanguageChoicePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void TestConnection::connectShowsFirstReadingAtOnceThenEverySecond()
{
    TSimulator sim;
    QVERIFY(sim.Start({QStringLiteral("--value"), QStringLiteral("+025.6")}));
    const TNotifyEvent reaction = F->IdTCPClient1->OnConnected;
    int cursorWhileConnecting = crDefault;
    F->IdTCPClient1->OnConnected = [&](TComponent* sender) {
        cursorWhileConnecting = Screen->Cursor();
        reaction(sender);
    };
    ConnectTo(sim.Port());
    QCOMPARE(cursorWhileConnecting, crHourGlass);
    QVERIFY(FDialogs->Shown.isEmpty());
    // The connected reaction polls once, inside the click.
    QCOMPARE(F->pnlTeplota->Caption(), "+025.6" + Degrees);
    QCOMPARE(Application->Title(), "ZVK Demo   +025.6" + Degrees);
    QCOMPARE(F->Widget()->windowIconText(), Application->Title());
    QVERIFY(!F->txtIP->Enabled());
    QVERIFY(!F->sePort->Enabled());
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Odpojit"));
    QVERIFY(F->Timer1->Enabled());
    QCOMPARE(Screen->Cursor(), crDefault);

    F->pnlTeplota->SetCaption(QStringLiteral("x"));
    QTRY_COMPARE_WITH_TIMEOUT(F->pnlTeplota->Caption(), "+025.6" + Degrees, 3000);
    F->pnlTeplota->SetCaption(QStringLiteral("x"));
    QTRY_COMPARE_WITH_TIMEOUT(F->pnlTeplota->Caption(), "+025.6" + Degrees, 3000);
    QVERIFY(FDialogs->Shown.isEmpty());
}

void TestConnection::taskbarTextIsWrittenOnlyWhenItChanges()
{
    TSimulator first;
    QVERIFY(first.Start({QStringLiteral("--value"), QStringLiteral("+025.6"),
                         QStringLiteral("--interval"), QStringLiteral("50")}));
    ConnectTo(first.Port());
    const QString title = "ZVK Demo   +025.6" + Degrees;
    QCOMPARE(F->Widget()->windowIconText(), title);
    const int writes = WindowIconNameWrites();
    for (int i = 0; i < 3; ++i) {
        QTest::qWait(120);
        F->Timer1Timer(F->Timer1);
        QCOMPARE(F->pnlTeplota->Caption(), "+025.6" + Degrees);
    }
    ClickConnect(); // the title keeps the reading
    QCOMPARE(WindowIconNameWrites(), writes);
    QCOMPARE(Application->Title(), title);

    TSimulator second;
    QVERIFY(second.Start({QStringLiteral("--value"), QStringLiteral("+025.7")}));
    ConnectTo(second.Port());
    QCOMPARE(WindowIconNameWrites(), writes + 1);
    QCOMPARE(Application->Title(), "ZVK Demo   +025.7" + Degrees);
    QCOMPARE(F->Widget()->windowIconText(), Application->Title());
    QVERIFY(FDialogs->Shown.isEmpty());
}

// Linux taskbars show the window title: while connected it carries the reading in front of
// the caption, and only a reading of the connection at hand.
void TestConnection::windowTitleCarriesThisConnectionsReading()
{
    const QString czech = QStringLiteral("Ukázka měření teploty na ZVK");
    const QString english = QStringLiteral("Temperature measurement demo on ZVK");
    const QString reading = "+025.6" + Degrees;
    const QString dash = QStringLiteral(" \u2013 ");
    const auto title = [this] { return F->Widget()->windowTitle(); };
    AnnouncedWindow = F->Widget();
    WindowRenames = 0;
    InstallAnnouncementHandler(&CountWindowRenames);
    LoopbackListener device;
    ConnectTo(device.Port());
    QCOMPARE(title(), czech); // no reading yet
    const int fd = device.Accept();
    QVERIFY(fd >= 0);
    QVERIFY(SendAll(fd, "*B1E1+025.6\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(title(), reading + dash + czech, 3000);
    const int writes = WindowTitleWrites();
    QVERIFY(SendAll(fd, "*A1E1+025.6\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(F->pnlTeplota->Caption(), QStringLiteral("-"), 3000);
    QCOMPARE(title(), reading + dash + czech);
    QVERIFY(SendAll(fd, "*B1E1+025.6\r\n"));
    QTRY_COMPARE_WITH_TIMEOUT(F->pnlTeplota->Caption(), reading, 3000);
    QCOMPARE(WindowTitleWrites(), writes);
    QCOMPARE(WindowRenames, 1);

    QTest::mouseClick(F->Image2->Widget(), Qt::LeftButton);
    QCOMPARE(F->Caption(), english);
    QCOMPARE(title(), reading + dash + english);
    F->SetCaption(QString());
    QCOMPARE(title(), reading);
    F->SetCaption(english);

    const int renames = WindowRenames;
    ClickConnect();
    QCOMPARE(title(), english);
    QCOMPARE(WindowRenames, renames + 1);
    QCOMPARE(Application->Title(), "ZVK Demo   " + reading);
    // Connected again: the last connection's reading is not shown as current.
    ConnectTo(device.Port());
    QVERIFY(F->IdTCPClient1->IsConnected());
    QCOMPARE(title(), english);
    QCOMPARE(Application->Title(), "ZVK Demo   " + reading);
    QVERIFY(FDialogs->Shown.isEmpty());
}

void TestConnection::pollShowsEachKindOfFrame_data()
{
    QTest::addColumn<QString>("sent"); // the simulator's escapes
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("title");
    const QString before = QStringLiteral("ZVK Demo   before");
    QTest::newRow("reading") << "ab*B1E1+025.6\\r\\n"
                             << "+025.6 \u00B0C"
                             << "ZVK Demo   +025.6 \u00B0C";
    QTest::newRow("not a B frame: dash, title kept") << "*A1E1+025.6\\r\\n"
                                                     << "-" << before;
    QTest::newRow("no CR yet: dash, title kept") << "*B1E1+025.6"
                                                 << "-" << before;
    QTest::newRow("NUL ends panel and title") << "*B1E1+02\\x005.6\\r"
                                              << "+02"
                                              << "ZVK Demo   +02";
    QTest::newRow("Windows-1250 byte") << "*B1E1+\\xb0\\r"
                                       << "+\u00B0 \u00B0C"
                                       << "ZVK Demo   +\u00B0 \u00B0C";
    QTest::newRow("no frame: nothing changes") << "abc\\r\\n"
                                               << "panel before" << before;
    QTest::newRow("too short: nothing changes") << "*B1E\\r"
                                                << "panel before" << before;
}

void TestConnection::pollShowsEachKindOfFrame()
{
    QFETCH(QString, sent);
    QFETCH(QString, panel);
    QFETCH(QString, title);
    TSimulator sim;
    QVERIFY(sim.Start(
        {QStringLiteral("--bytes"), sent, QStringLiteral("--interval"), QStringLiteral("600000")}));
    Application->SetTitle(QStringLiteral("ZVK Demo   before"));
    F->pnlTeplota->SetCaption(QStringLiteral("panel before"));
    ConnectTo(sim.Port()); // the connected reaction polls once, inside the click
    QCOMPARE(F->pnlTeplota->Caption(), panel);
    QCOMPARE(Application->Title(), title);
    QCOMPARE(F->Widget()->windowIconText(), title);
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Odpojit"));
    QVERIFY(!F->txtIP->Enabled());
    QVERIFY(F->Timer1->Enabled());
    QVERIFY(FDialogs->Shown.isEmpty());
}

// Receive errors that the transport answers by closing the socket (10053, 10058) leave the
// window disconnected, as a device's close does; any other one leaves it connected.
void TestConnection::receiveErrorsThroughTheWindow_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("closes");
    QTest::newRow("10053 aborted") << 10053 << true;
    QTest::newRow("10058 shut down") << 10058 << true;
    QTest::newRow("10054 reset") << 10054 << false;
}

void TestConnection::receiveErrorsThroughTheWindow()
{
    QFETCH(int, code);
    QFETCH(bool, closes);
    TSimulator sim;
    QVERIFY(sim.Start({QStringLiteral("--value"), QStringLiteral("+025.6")}));
    ConnectTo(sim.Port());
    QCOMPARE(F->pnlTeplota->Caption(), "+025.6" + Degrees);
    TFailingStack::FailNextRecv = code;
    QTRY_COMPARE_WITH_TIMEOUT(TFailingStack::FailNextRecv.load(), 0, 3000); // the next tick
    QVERIFY(FDialogs->Shown.isEmpty());
    QCOMPARE(Application->Title(), "ZVK Demo   +025.6" + Degrees);
    if (!closes) {
        QVERIFY(F->IdTCPClient1->IsConnected());
        QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Odpojit"));
        QVERIFY(!F->txtIP->Enabled());
        QVERIFY(!F->sePort->Enabled());
        QVERIFY(F->Timer1->Enabled());
        return;
    }
    QVERIFY(!F->IdTCPClient1->IsConnected());
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Připojit"));
    QVERIFY(F->txtIP->Enabled());
    QVERIFY(F->sePort->Enabled());
    QCOMPARE(F->pnlTeplota->Caption(), QString());
    QVERIFY(!F->Timer1->Enabled());
    // The address can be changed, and the next click connects anew.
    ConnectTo(sim.Port());
    QVERIFY(F->IdTCPClient1->IsConnected());
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Odpojit"));
    QVERIFY(FDialogs->Shown.isEmpty());
}

// A device that sends a reading and resets the connection before the connect has read back
// its address: the connection was made, so the reading is shown, then the window returns to
// disconnected as after a close, without a report. The other orders: tst_peerreset.
void TestConnection::peerResetShowsTheReadingThenDisconnects()
{
    LoopbackListener device;
    bool resetSeen = false;
    TFailingStack::BeforePeerName = [&](TIdStackSocketHandle s) {
        resetSeen = AcceptThenReset(device, "*B1E1+020.0\r\n", s);
    };
    ConnectTo(device.Port());
    QVERIFY(resetSeen);
    // The connected reaction's own poll, inside the click.
    QCOMPARE(F->pnlTeplota->Caption(), "+020.0" + Degrees);
    QTRY_VERIFY_WITH_TIMEOUT(F->txtIP->Enabled(), 10000);
    QVERIFY(F->sePort->Enabled());
    QCOMPARE(F->pnlTeplota->Caption(), QString());
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Připojit"));
    QVERIFY(!F->Timer1->Enabled());
    QVERIFY(!F->IdTCPClient1->IsConnected());
    QCOMPARE(Application->Title(), "ZVK Demo   +020.0" + Degrees);
    QVERIFY(FDialogs->Shown.isEmpty());
}

void TestConnection::languageSwitchKeepsTheToggleTrue()
{
    TSimulator sim;
    QVERIFY(sim.Start({QStringLiteral("--value"), QStringLiteral("+025.6")}));
    ConnectTo(sim.Port());
    QTest::mouseClick(F->Image2->Widget(), Qt::LeftButton);
    QCOMPARE(F->Caption(), QStringLiteral("Temperature measurement demo on ZVK"));
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Disconnect"));
    QVERIFY(F->IdTCPClient1->IsConnected());
    QVERIFY(!F->txtIP->Enabled());
    QVERIFY(F->Timer1->Enabled());
    QTest::mouseClick(F->Image1->Widget(), Qt::LeftButton);
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Odpojit"));
    ClickConnect();
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Připojit"));
    QTest::mouseClick(F->Image2->Widget(), Qt::LeftButton);
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Connect"));
    QVERIFY(FDialogs->Shown.isEmpty());
}

void TestConnection::reportGivesTheFocusBackAsItWas_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length"); // negative: selected from right to left
    QTest::newRow("caret only") << 4 << 0;
    QTest::newRow("part selected") << 2 << 5;
    QTest::newRow("selected leftwards") << 9 << -3;
}

void TestConnection::reportGivesTheFocusBackAsItWas()
{
    QFETCH(int, start);
    QFETCH(int, length);
    QVERIFY(QTest::qWaitForWindowActive(F->Widget()));
    QLineEdit* edit = F->txtIP->LineEdit();
    QTRY_VERIFY(edit->hasFocus());
    if (length == 0)
        edit->setCursorPosition(start);
    else
        edit->setSelection(start, length);
    const int cursor = edit->cursorPosition();
    const QString selected = edit->selectedText();
    bool focusTaken = false, boxActive = false;
    FDialogs.reset();
    FDialogs = std::make_unique<TDialogRecorder>([&](QDialog&) {
        focusTaken = !edit->hasFocus();
        // The box takes the activation, as a shown box does; the window gets it back later.
        QWidget box;
        box.show();
        box.activateWindow();
        boxActive = QTest::qWaitForWindowActive(&box);
        return 1;
    });
    GuardedCall([] { throw EIdConnectTimeout(QStringLiteral("Connect timed out.")); });
    QCOMPARE(FDialogs->Shown.size(), 1);
    QVERIFY(focusTaken);
    QVERIFY(boxActive);
    QTRY_VERIFY(edit->hasFocus());
    QTRY_VERIFY(F->Widget()->isActiveWindow());
    QTest::qWait(50);
    QCOMPARE(edit->cursorPosition(), cursor);
    QCOMPARE(edit->selectedText(), selected);
}

void TestConnection::deviceClosingReturnsToDisconnected()
{
    TSimulator sim;
    QVERIFY(sim.Start({QStringLiteral("--value"), QStringLiteral("-003.2"),
                       QStringLiteral("--frames"), QStringLiteral("1")}));
    ConnectTo(sim.Port());
    QCOMPARE(F->pnlTeplota->Caption(), "-003.2" + Degrees);
    QTRY_VERIFY_WITH_TIMEOUT(F->txtIP->Enabled(), 5000);
    QVERIFY(F->sePort->Enabled());
    QCOMPARE(F->pnlTeplota->Caption(), QString());
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Připojit"));
    QVERIFY(!F->Timer1->Enabled());
    QVERIFY(!F->IdTCPClient1->IsConnected());
    QCOMPARE(Application->Title(), "ZVK Demo   -003.2" + Degrees); // keeps the last reading
    QVERIFY(FDialogs->Shown.isEmpty());
}

void TestConnection::clickWhileConnectedDisconnects()
{
    TSimulator sim;
    QVERIFY(sim.Start({}));
    ConnectTo(sim.Port());
    QVERIFY(F->IdTCPClient1->IsConnected());
    const TNotifyEvent reaction = F->IdTCPClient1->OnDisconnected;
    int cursorWhileDisconnecting = crDefault;
    F->IdTCPClient1->OnDisconnected = [&](TComponent* sender) {
        cursorWhileDisconnecting = Screen->Cursor();
        reaction(sender);
    };
    ClickConnect();
    QCOMPARE(cursorWhileDisconnecting, crHourGlass);
    QVERIFY(!F->IdTCPClient1->IsConnected());
    QVERIFY(F->txtIP->Enabled());
    QCOMPARE(F->pnlTeplota->Caption(), QString());
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Připojit"));
    QVERIFY(!F->Timer1->Enabled());
    QCOMPARE(Screen->Cursor(), crDefault);
    QVERIFY(FDialogs->Shown.isEmpty());
}

void TestConnection::refusedConnectIsReportedWithNormalCursor()
{
    RefusingPort refusing; // a bound loopback port that does not listen
    Application->SetTitle(QStringLiteral("ZVK Demo   +020.0") + Degrees);
    F->pnlTeplota->SetCaption(QStringLiteral("before"));
    bool cursorNormal = false;
    FDialogs.reset(); // the recorders restore the runner they replaced: one at a time
    FDialogs = std::make_unique<TDialogRecorder>([&](QDialog&) {
        cursorNormal = Screen->Cursor() == crDefault && !QApplication::overrideCursor();
        return 1;
    });
    ConnectTo(refusing.Port());
    QCOMPARE(FDialogs->Shown.size(), 1);
    QCOMPARE(FDialogs->Shown[0].Text,
             QStringLiteral("Socket Error # 10061\r\nConnection refused."));
    QCOMPARE(FDialogs->Shown[0].Title, QStringLiteral("ZVK Demo   +020.0") + Degrees);
    QCOMPARE(FDialogs->Shown[0].BoxIcon, QMessageBox::Critical);
    QVERIFY(cursorNormal);
    QVERIFY(F->txtIP->Enabled());
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Připojit"));
    QVERIFY(!F->Timer1->Enabled());
    QCOMPARE(F->pnlTeplota->Caption(), QStringLiteral("before"));
}

void TestConnection::closingWhileConnectedDisconnectsThenSaves()
{
    TSimulator sim;
    QVERIFY(sim.Start({}));
    ConnectTo(sim.Port());
    QVERIFY(F->IdTCPClient1->IsConnected());
    const TNotifyEvent reaction = F->IdTCPClient1->OnDisconnected;
    QByteArray savedWhenDisconnected;
    F->IdTCPClient1->OnDisconnected = [&](TComponent* sender) {
        savedWhenDisconnected = SavedChoice();
        reaction(sender);
    };
    F->Close();
    QCOMPARE(savedWhenDisconnected, QByteArray("<missing>"));
    QVERIFY(!F->IdTCPClient1->IsConnected());
    QVERIFY(F->txtIP->Enabled());
    QCOMPARE(F->pnlTeplota->Caption(), QString());
    QCOMPARE(SavedChoice(), QByteArray("[LNG]=cesky.lng.xml\r\n"));
    QVERIFY(Application->Terminated());
}

void TestConnection::portFieldKeepsTheClientInStep()
{
    const auto leave = [this] {
        F->sePort->SetFocus();
        QTRY_VERIFY(F->sePort->LineEdit()->hasFocus());
    };
    const auto moveOn = [this] {
        F->txtIP->SetFocus();
        QTRY_VERIFY(!F->sePort->LineEdit()->hasFocus());
    };
    leave();
    F->sePort->SetText(QStringLiteral("0"));
    QCOMPARE(F->IdTCPClient1->Port(), 0); // not clamped while typing
    moveOn();
    QCOMPARE(F->sePort->GetText(), QStringLiteral("1"));
    QCOMPARE(F->IdTCPClient1->Port(), 1);

    leave();
    F->sePort->SetText(QStringLiteral("70000"));
    moveOn();
    QCOMPARE(F->sePort->GetText(), QStringLiteral("65535"));
    QCOMPARE(F->IdTCPClient1->Port(), 65535);

    leave();
    F->sePort->SetText(QString());
    moveOn();
    QCOMPARE(F->sePort->GetText(), QString());
    QCOMPARE(F->IdTCPClient1->Port(), 1);

    F->txtIP->SetText(QStringLiteral("  127.0.0.1 "));
    QCOMPARE(F->IdTCPClient1->Host(), QStringLiteral("  127.0.0.1 "));
}

void TestConnection::englishFlagSwitchesTexts()
{
    QTest::mouseClick(F->Image2->Widget(), Qt::LeftButton);
    QCOMPARE(LngFileName, QStringLiteral("english.lng.xml"));
    QCOMPARE(F->Caption(), QStringLiteral("Temperature measurement demo on ZVK"));
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Connect"));
    QCOMPARE(Language->GetConstText(QStringLiteral("Odpojit"), QStringLiteral("Odpojit")),
             QStringLiteral("Disconnect"));
    QTest::mouseClick(F->Image1->Widget(), Qt::LeftButton);
    QCOMPARE(LngFileName, QStringLiteral("cesky.lng.xml"));
    QCOMPARE(F->Caption(), QStringLiteral("Ukázka měření teploty na ZVK"));
    F->Close();
    QCOMPARE(SavedChoice(), QByteArray("[LNG]=cesky.lng.xml\r\n"));
    QVERIFY(FDialogs->Shown.isEmpty());
}

void TestConnection::missingEnglishFileKeepsCzechAndIsRemembered()
{
    const QString english = QDir::current().filePath(QStringLiteral("english.lng.xml"));
    const QString aside = english + QStringLiteral(".aside");
    QVERIFY(QFile::rename(english, aside));
    QTest::mouseClick(F->Image2->Widget(), Qt::LeftButton);
    QFile::rename(aside, english);

    QCOMPARE(FDialogs->Shown.size(), 1);
    QCOMPARE(FDialogs->Shown[0].Title, QStringLiteral("ZVK Demo"));
    QCOMPARE(FDialogs->Shown[0].Text,
             QStringLiteral("Soubor s překladem:\"english.lng.xml\" nenalezen!"));
    QCOMPARE(F->Caption(), QStringLiteral("Ukázka měření teploty na ZVK"));
    QCOMPARE(LngFileName, QStringLiteral("english.lng.xml"));
    F->Close();
    QCOMPARE(SavedChoice(), QByteArray("[LNG]=english.lng.xml\r\n"));
}

void TestConnection::backslashNameFromAnotherWorkingDirectory()
{
    FProgram->DestroyWindows();
    QFile ini(BesideProgramLanguageChoicePath());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[LNG]=\\english.lng.xml\r\n");
    ini.close();
    // The language files are beside this test; the working directory is elsewhere.
    QFile::copy(QStringLiteral("english.lng.xml"),
                ProgramDirectory() + QStringLiteral("english.lng.xml"));
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    F = FProgram->CreateMainWindow();
    QDir::setCurrent(previous);
    QVERIFY(FDialogs->Shown.isEmpty());
    QCOMPARE(LngFileName, QStringLiteral("\\english.lng.xml"));
    QCOMPARE(F->Caption(), QStringLiteral("Temperature measurement demo on ZVK"));
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
