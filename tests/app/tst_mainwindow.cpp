#include "Application.h"
#include "Button.h"
#include "ComboBox.h"
#include "DialogRecorder.h"
#include "Edit.h"
#include "GroupBox.h"
#include "IdTCPClient.h"
#include "Image.h"
#include "Label.h"
#include "LanguageChoice.h"
#include "Panel.h"
#include "ProgramMain.h"
#include "SessionEnd.h"
#include "SpinEdit.h"
#include "StoredLayout.h"
#include "Timer.h"
#include "uf_ZVKdemo.h"

#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void storedTextsAndValues();
    void storedGeometryAndTree();
    void tabStopsCycleThroughTheFields();
    void frameIsFixedWithoutMaximize();
    void centredOnFirstShowingOnly();
    void handCursorOverTheFlagsOnly();
    void flagPictures();
    void noChangeEventWhileTheLayoutIsRead();
    void everyPublishedEventBindsByName_data();
    void everyPublishedEventBindsByName();
    void missingLayoutIsReported();
    void closeAtSessionEndSkipsTheCloseSequence();

private:
    std::unique_ptr<TProgramModules> FProgram;
    std::unique_ptr<TDialogRecorder> FDialogs;
    TfZVKTeplomer* F = nullptr;
};

void TestMainWindow::init()
{
    QFile::remove(BesideProgramLanguageChoicePath());
    FProgram = std::make_unique<TProgramModules>();
    FDialogs = std::make_unique<TDialogRecorder>();
    F = FProgram->CreateMainWindow();
    QVERIFY(F);
}

void TestMainWindow::cleanup()
{
    FProgram.reset();
    FDialogs.reset();
    QFile::remove(BesideProgramLanguageChoicePath());
}

void TestMainWindow::storedTextsAndValues()
{
    QVERIFY2(FDialogs->Shown.isEmpty(), "the Czech language file is beside the test");
    QCOMPARE(F->Name(), QStringLiteral("fZVKTeplomer"));
    QCOMPARE(F->Caption(), QStringLiteral("Ukázka měření teploty na ZVK"));
    QCOMPARE(F->Widget()->windowTitle(), F->Caption());
    QCOMPARE(Application->Title(), QStringLiteral("ZVK Demo"));
    QCOMPARE(F->Widget()->windowIconText(), QStringLiteral("ZVK Demo"));
    QCOMPARE(F->GroupBox1->Caption(), QStringLiteral(" Nastavení připojení "));
    QCOMPARE(F->Label1->Caption(), QStringLiteral("IP adresa zařízení"));
    QCOMPARE(F->Label2->Caption(), QStringLiteral("Port"));
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Připojit"));
    QCOMPARE(F->txtIP->GetText(), QStringLiteral("192.168.1.254"));
    QCOMPARE(F->sePort->Value(), 10001);
    QCOMPARE(F->sePort->MinValue(), 1);
    QCOMPARE(F->sePort->MaxValue(), 65535);
    QCOMPARE(F->pnlTeplota->Caption(), QString());
    QVERIFY(!F->Timer1->Enabled());
    QCOMPARE(F->Timer1->Interval(), 1000);
    // The client is only read here, never connected.
    QCOMPARE(F->IdTCPClient1->Host(), QStringLiteral("192.168.1.254"));
    QCOMPARE(F->IdTCPClient1->Port(), 10001);
    QCOMPARE(F->IdTCPClient1->ReadTimeout(), 50);
    QVERIFY(!F->IdTCPClient1->IsConnected());

    QCOMPARE(F->Font().Name, QStringLiteral("MS Sans Serif"));
    QCOMPARE(F->Font().Height, -11);
    QVERIFY(F->txtIP->ParentFont());
    QVERIFY(!F->pnlTeplota->ParentFont());
    QCOMPARE(F->pnlTeplota->Font().Name, QStringLiteral("Arial"));
    QCOMPARE(F->pnlTeplota->Font().Size(), 32);
    QVERIFY(F->pnlTeplota->Font().Style & (1u << fsBold));
    // The stored names are drawn with the installed metric-compatible families.
    QCOMPARE(QFontInfo(F->txtIP->Widget()->font()).family(), QStringLiteral("DejaVu Sans"));
    QCOMPARE(QFontInfo(F->pnlTeplota->Widget()->font()).family(),
             QStringLiteral("Liberation Sans"));
    QCOMPARE(F->pnlTeplota->BevelInner(), bvRaised);
    QCOMPARE(F->pnlTeplota->BevelOuter(), bvLowered);
    QCOMPARE(F->BorderStyle(), bsSingle);
    QCOMPARE(F->Position(), poScreenCenter);
}

void TestMainWindow::storedGeometryAndTree()
{
    QStringList created;
    for (int i = 0; i < F->ComponentCount(); ++i)
        created.append(F->Components(i)->Name());
    QCOMPARE(created,
             (QStringList{"GroupBox1", "Label1", "Label2", "Image1", "Image2", "txtIP", "sePort",
                          "cmdConnect", "pnlTeplota", "Timer1", "IdTCPClient1"}));
    QCOMPARE(F->ControlCount(), 2);
    QCOMPARE(F->Controls(0), F->GroupBox1);
    QCOMPARE(F->Controls(1), F->pnlTeplota);
    QCOMPARE(F->GroupBox1->ControlCount(), 7);

    const auto rect = [](TControl* c) {
        return QRect(c->Left(), c->Top(), c->Width(), c->Height());
    };
    QCOMPARE(QSize(F->ClientWidth(), F->ClientHeight()), QSize(298, 258));
    QCOMPARE(F->Widget()->size(), QSize(298, 258));
    QCOMPARE(rect(F->GroupBox1), QRect(8, 8, 281, 113));
    QCOMPARE(rect(F->Image1), QRect(216, 24, 29, 16));
    QCOMPARE(rect(F->Image2), QRect(216, 52, 29, 16));
    QCOMPARE(rect(F->txtIP), QRect(8, 32, 177, 21));
    QCOMPARE(rect(F->sePort), QRect(8, 80, 177, 22));
    QCOMPARE(rect(F->cmdConnect), QRect(192, 80, 81, 25));
    QCOMPARE(rect(F->pnlTeplota), QRect(8, 128, 281, 121));
    QCOMPARE(F->cmdConnect->Widget()->geometry(), QRect(192, 80, 81, 25));
    // Labels keep their stored corner and take the size of their text.
    QCOMPARE(F->Label1->Widget()->pos(), QPoint(8, 16));
    QCOMPARE(F->Label2->Widget()->pos(), QPoint(8, 64));
    QCOMPARE(F->Label1->Height(), QFontMetrics(F->Font().ToQFont()).height());
}

void TestMainWindow::tabStopsCycleThroughTheFields()
{
    QCOMPARE(F->TabStops(), (QList<TWinControl*>{F->txtIP, F->sePort, F->cmdConnect}));
    QCOMPARE(F->GroupBox1->TabOrder(), 0);
    QCOMPARE(F->pnlTeplota->TabOrder(), 1);
    QCOMPARE(F->pnlTeplota->Widget()->focusPolicy(), Qt::NoFocus);

    F->Show();
    QVERIFY(QTest::qWaitForWindowActive(F->Widget()));
    QTRY_VERIFY(F->txtIP->Focused());
    QCOMPARE(F->txtIP->LineEdit()->selectedText(), QStringLiteral("192.168.1.254"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(F->sePort->Focused());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(F->cmdConnect->Focused());
    // The flags follow the toggle.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(F->Image1->Widget()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(F->Image2->Widget()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(F->txtIP->Focused());
    QCOMPARE(F->txtIP->LineEdit()->selectedText(), QStringLiteral("192.168.1.254"));

    // A click into the field places the caret without selecting.
    F->cmdConnect->SetFocus();
    QTRY_VERIFY(F->cmdConnect->Focused());
    QTest::mouseClick(F->txtIP->LineEdit(), Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_VERIFY(F->txtIP->Focused());
    QVERIFY(!F->txtIP->LineEdit()->hasSelectedText());
}

void TestMainWindow::frameIsFixedWithoutMaximize()
{
    QWidget* w = F->Widget();
    QCOMPARE(w->minimumSize(), QSize(298, 258));
    QCOMPARE(w->maximumSize(), QSize(298, 258));
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
    F->Show();
    w->resize(400, 400);
    QCOMPARE(w->size(), QSize(298, 258));
}

void TestMainWindow::centredOnFirstShowingOnly()
{
    F->Show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    // The frame is known only after the window is shown; the outer window is centred then.
    const auto outer = [this] { return F->Widget()->frameGeometry(); };
    QTRY_COMPARE(outer().left(), (screen.width() - outer().width()) / 2);
    QTRY_COMPARE(outer().top(), (screen.height() - outer().height()) / 2);
    QCOMPARE(F->Left(), outer().left());
    QCOMPARE(F->Top(), outer().top());
    F->SetVisible(false);
    F->SetLeft(10);
    F->Show();
    QCOMPARE(F->Left(), 10);
}

void TestMainWindow::handCursorOverTheFlagsOnly()
{
    for (TImage* flag : {F->Image1, F->Image2}) {
        QCOMPARE(flag->Cursor(), crHandPoint);
        QVERIFY(flag->Widget()->testAttribute(Qt::WA_SetCursor));
        QCOMPARE(flag->Widget()->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(flag->Widget()->cursor().hotSpot(), QPoint(7, 1));
    }
    // Elsewhere each control shows its own: the text cursor over the edit fields, the arrow
    // over the rest.
    for (TControl* c :
         std::initializer_list<TControl*>{F, F->GroupBox1, F->Label1, F->Label2, F->txtIP,
                                          F->sePort, F->cmdConnect, F->pnlTeplota})
        QCOMPARE(c->Cursor(), crDefault);
    for (TControl* c : std::initializer_list<TControl*>{F, F->GroupBox1, F->Label1, F->Label2,
                                                        F->cmdConnect, F->pnlTeplota})
        QCOMPARE(c->Widget()->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(F->txtIP->Widget()->cursor().shape(), Qt::IBeamCursor);
    QCOMPARE(F->sePort->LineEdit()->cursor().shape(), Qt::IBeamCursor);
}

void TestMainWindow::flagPictures()
{
    const QImage czech = F->Image1->Picture();
    QCOMPARE(czech.size(), QSize(25, 16));
    QCOMPARE(czech.format(), QImage::Format_Indexed8);
    QCOMPARE(czech.pixelColor(24, 0), QColor(255, 255, 255));
    QCOMPARE(czech.pixelColor(24, 15), QColor(218, 37, 29));
    QCOMPARE(czech.pixelColor(0, 8), QColor(0, 83, 133));
    QVERIFY(F->Image1->Stretch());
    QCOMPARE(F->Image1->Widget()->size(), QSize(29, 16));

    const QImage british = F->Image2->Picture();
    QCOMPARE(british.size(), QSize(29, 16));
    QCOMPARE(british.format(), QImage::Format_Indexed8);
    QCOMPARE(british.pixelColor(14, 8), QColor(185, 35, 65)); // the centre of the red cross
    QCOMPARE(british.pixelColor(10, 1), QColor(10, 49, 98));  // blue field
    QVERIFY(british.colorCount() > 3);                        // smoothed edges
    QVERIFY(F->Image2->AutoSize());
    QCOMPARE(F->Image2->Widget()->size(), QSize(29, 16));
}

void TestMainWindow::noChangeEventWhileTheLayoutIsRead()
{
    static const TStoredLayout layout{
        "TProbeForm",
        {"TForm", "Probe", "", {{"ClientWidth", Ord(50)}, {"ClientHeight", Ord(40)}}},
        {{"TEdit",
          "Edit1",
          "",
          {{"Text", Text(u"stored")}},
          std::nullopt,
          nullptr,
          {{"OnChange", "Changed"}}}}};
    int changes = 0;
    THandlerTable handlers;
    handlers[QStringLiteral("Changed")] = TNotifyEvent([&](TComponent*) { ++changes; });
    TForm form(nullptr);
    ReadStoredLayout(form, layout, handlers);
    QCOMPARE(changes, 0);
    auto* edit = ComponentCast<TEdit>(form.FindComponent(QStringLiteral("Edit1")));
    QVERIFY(edit);
    QCOMPARE(edit->GetText(), QStringLiteral("stored"));
    edit->SetText(QStringLiteral("typed"));
    QCOMPARE(changes, 1);
}

void TestMainWindow::everyPublishedEventBindsByName_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QString>("error"); // empty: bound
    QTest::newRow("combo box OnChange") << "OnChange"
                                        << "Changed"
                                        << "";
    QTest::newRow("inherited OnClick") << "OnClick"
                                       << "Changed"
                                       << "";
    QTest::newRow("no such event") << "OnEnter"
                                   << "Changed"
                                   << "Error reading event: OnEnter";
    QTest::newRow("no such handler") << "OnChange"
                                     << "Missing"
                                     << "Error reading method: Missing";
    QTest::newRow("handler of another type") << "OnChange"
                                             << "Closing"
                                             << "Error reading method: Closing";
}

void TestMainWindow::everyPublishedEventBindsByName()
{
    QFETCH(QString, event);
    QFETCH(QString, handler);
    QFETCH(QString, error);
    const QByteArray eventName = event.toLatin1();
    const QByteArray handlerName = handler.toLatin1();
    const TStoredLayout layout{
        "TProbeForm",
        {"TForm", "Probe", "", {{"ClientWidth", Ord(50)}, {"ClientHeight", Ord(40)}}},
        {{"TComboBox",
          "Combo1",
          "",
          {},
          std::nullopt,
          nullptr,
          {{eventName.constData(), handlerName.constData()}}}}};
    int calls = 0;
    THandlerTable handlers;
    handlers[QStringLiteral("Changed")] = TNotifyEvent([&](TComponent*) { ++calls; });
    handlers[QStringLiteral("Closing")] = TCloseEvent([](TComponent*, TCloseAction&) {});
    TForm form(nullptr);
    try {
        ReadStoredLayout(form, layout, handlers);
        QVERIFY2(error.isEmpty(), "bound");
    } catch (const EReadError& e) {
        QCOMPARE(e.Message(), error);
        return;
    }
    auto* combo = ComponentCast<TComboBox>(form.FindComponent(QStringLiteral("Combo1")));
    QVERIFY(combo);
    if (event == u"OnChange") {
        combo->SetText(QStringLiteral("typed"));
        QCOMPARE(calls, 1);
    } else {
        QVERIFY(combo->OnClick);
    }
}

void TestMainWindow::missingLayoutIsReported()
{
    try {
        FindStoredLayout(QStringLiteral("TfMissing"));
        QFAIL("no exception");
    } catch (const EResNotFound& e) {
        QCOMPARE(e.Message(), QStringLiteral("Resource TfMissing not found"));
    }
}

void TestMainWindow::closeAtSessionEndSkipsTheCloseSequence()
{
    // The session manager's quit request at the end of the session halts the program; the
    // window's close sequence (which would write lng.ini) does not run.
    InstallSessionEndHandler();
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit);
    RemoveSessionEndHandler();
    QVERIFY(Application->Terminated());
    QVERIFY(F->Widget());
    QVERIFY(!QFile::exists(BesideProgramLanguageChoicePath()));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
