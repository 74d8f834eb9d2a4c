#include "Application.h"
#include "DialogRecorder.h"
#include "Dialogs.h"
#include "ExceptionReport.h"
#include "Form.h"
#include "MessageForm.h"
#include "MulDiv.h"
#include "Screen.h"

#include <QClipboard>
#include <QToolButton>
#include <QtTest>

DECLARE_EXCEPTION(ETestError, Exception)

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void reportAppendsPeriodAfterCodesAboveIt_data();
    void reportAppendsPeriodAfterCodesAboveIt();
    void reportShowsTitleAndDisablesOtherWindows();
    void escapingHandlerGoesToReport();
    void saveErrorDialog();
    void enterAndEscPressOkInTheRealModalLoop_data();
    void enterAndEscPressOkInTheRealModalLoop();
    void plainMessageBox();
    void layoutFollowsCharacterSize();
    void lastChanceText();

private:
    TScreen* FScreen = nullptr;
    TApplication* FApplication = nullptr;
};

void TestDialogs::initTestCase()
{
    FScreen = new TScreen;
    FApplication = new TApplication;
    Application->SetTitle(QStringLiteral("ZVK Demo"));
}

void TestDialogs::cleanupTestCase()
{
    delete FApplication;
    delete FScreen;
}

void TestDialogs::reportAppendsPeriodAfterCodesAboveIt_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Not Connected"
                            << "Not Connected.";
    QTest::newRow("period") << "Connect timed out."
                            << "Connect timed out.";
    QTest::newRow("two lines") << "Socket Error # 10061\r\nConnection refused."
                               << "Socket Error # 10061\r\nConnection refused.";
    QTest::newRow("digit") << "Socket Error # 12345\r\n9"
                           << "Socket Error # 12345\r\n9.";
    QTest::newRow("question") << "Why?"
                              << "Why?.";
    QTest::newRow("colon") << "Line:"
                           << "Line:.";
    QTest::newRow("slash") << "a/"
                           << "a/.";
    QTest::newRow("accented") << "nenalezen \u0159"
                              << "nenalezen \u0159.";
    QTest::newRow("exclamation") << "nenalezen!"
                                 << "nenalezen!";
    QTest::newRow("parenthesis") << "(x)"
                                 << "(x)";
    QTest::newRow("comma") << "a,"
                           << "a,";
    QTest::newRow("minus") << "a-"
                           << "a-";
    QTest::newRow("quote") << "\"a\""
                           << "\"a\"";
    QTest::newRow("blank") << "a "
                           << "a ";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDialogs::reportAppendsPeriodAfterCodesAboveIt()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ExceptionReportText(message), shown);
}

void TestDialogs::reportShowsTitleAndDisablesOtherWindows()
{
    TForm form(nullptr);
    form.SetClientSize(100, 100);
    form.Show();
    bool disabledWhileOpen = false;
    bool plainText = false;
    TDialogRecorder recorder([&](QDialog& dialog) {
        disabledWhileOpen = !form.Widget()->isEnabled();
        plainText = static_cast<QMessageBox&>(dialog).textFormat() == Qt::PlainText;
        return 1;
    });
    Application->SetTitle(QStringLiteral("ZVK Demo   +025.6 \u00B0C"));
    Application->HandleException(ETestError(QStringLiteral("Not Connected")));
    Application->SetTitle(QStringLiteral("ZVK Demo"));
    QVERIFY(plainText); // a message that looks like markup is shown as it stands

    QCOMPARE(recorder.Shown.size(), 1);
    QCOMPARE(recorder.Shown[0].Title, QStringLiteral("ZVK Demo   +025.6 \u00B0C"));
    QCOMPARE(recorder.Shown[0].Text, QStringLiteral("Not Connected."));
    QCOMPARE(recorder.Shown[0].BoxIcon, QMessageBox::Critical);
    QVERIFY(disabledWhileOpen);
    QVERIFY(form.Widget()->isEnabled());
}

void TestDialogs::escapingHandlerGoesToReport()
{
    // A button held down when the handler raises (a spin button repeating) is let go before
    // the report shows, so it does not go on repeating behind the box.
    QToolButton held;
    held.setAutoRepeat(true);
    held.setDown(true);
    int reports = 0;
    bool heldDuringReport = true;
    TDialogRecorder recorder([&](QDialog&) {
        if (reports++ == 0)
            heldDuringReport = held.isDown();
        return 1;
    });
    QVERIFY(!GuardedCall([] { throw ETestError(QStringLiteral("Connect timed out.")); }));
    QVERIFY(!heldDuringReport);
    QVERIFY(GuardedCall([] {}));
    // Something outside the program's exception family gets the last-chance text, and the
    // program goes on.
    QVERIFY(!GuardedCall([] { throw std::runtime_error("boom"); }));
    QVERIFY(!GuardedCall([] { throw 42; }));
    QCOMPARE(recorder.Shown.size(), 3);
    QCOMPARE(recorder.Shown[0].Text, QStringLiteral("Connect timed out."));
    QCOMPARE(recorder.Shown[1].Title, QStringLiteral("Application Error"));
    QVERIFY(recorder.Shown[1].Text.contains(QStringLiteral("boom.")));
    QCOMPARE(recorder.Shown[2].Title, QStringLiteral("Application Error"));
    QVERIFY(recorder.Shown[2].Text.startsWith(QStringLiteral("Exception EExternalException")));
}

void TestDialogs::saveErrorDialog()
{
    TMessageForm dialog(QStringLiteral("Can''t save LNG file."), mtError, MsgButtons({mbOK}));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Error"));
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("Image")));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("Message"))->text(),
             QStringLiteral("Can''t save LNG file."));
    const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(buttons[0]->objectName(), QStringLiteral("OK"));
    QCOMPARE(buttons[0]->text(), QStringLiteral("OK"));
    QCOMPARE(dialog.DefaultButton(), buttons[0]);
    QCOMPARE(dialog.CancelButton(), buttons[0]);

    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_C, Qt::ControlModifier);
    const QString divider = QStringLiteral("---------------------------\r\n");
    const QString expected = divider + "Error\r\n" + divider + "Can''t save LNG file.\r\n" +
                             divider + "OK   \r\n" + divider;
    QCOMPARE(dialog.ClipboardText(), expected);
    QCOMPARE(QApplication::clipboard()->text(), expected);
    QVERIFY(dialog.isVisible()); // Ctrl+C does not close it
}

void TestDialogs::enterAndEscPressOkInTheRealModalLoop_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void TestDialogs::enterAndEscPressOkInTheRealModalLoop()
{
    QFETCH(int, key);
    QTimer::singleShot(50, [key] {
        if (QWidget* modal = QApplication::activeModalWidget())
            QTest::keyClick(modal, static_cast<Qt::Key>(key));
    });
    // If the key were not handled, the safety timer closes the dialog with another result.
    QTimer::singleShot(3000, [] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            modal->done(99);
    });
    QCOMPARE(MessageDlg(QStringLiteral("Can''t save LNG file."), mtError, MsgButtons({mbOK}), 0),
             int(mrOk));
}

void TestDialogs::plainMessageBox()
{
    TDialogRecorder recorder;
    ShowMessage(QStringLiteral("Soubor s p\u0159ekladem:\"\" nenalezen!"));
    QCOMPARE(recorder.Shown.size(), 1);
    QCOMPARE(recorder.Shown[0].Title, QStringLiteral("ZVK Demo"));
    QVERIFY(!recorder.Shown[0].HasIcon);
    QCOMPARE(recorder.Shown[0].Buttons, QStringList{QStringLiteral("OK")});
    QCOMPARE(recorder.Shown[0].Text, QStringLiteral("Soubor s p\u0159ekladem:\"\" nenalezen!"));
}

void TestDialogs::layoutFollowsCharacterSize()
{
    TMessageForm one(QStringLiteral("x"), mtConfirmation, MsgButtons({mbYes, mbNo, mbCancel}));
    const QFontMetrics fm(one.font());
    const int w = fm.horizontalAdvance(
                      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                  52;
    auto* yes = one.findChild<QPushButton*>(QStringLiteral("Yes"));
    auto* no = one.findChild<QPushButton*>(QStringLiteral("No"));
    auto* cancel = one.findChild<QPushButton*>(QStringLiteral("Cancel"));
    if (!yes || !no || !cancel)
        QFAIL("a button is missing");
    QCOMPARE(yes->text(), QStringLiteral("&Yes"));
    QVERIFY(yes->x() < no->x() && no->x() < cancel->x());
    QCOMPARE(no->x() - yes->x(), yes->width() + MulDiv(4, w, 4));
    QVERIFY(yes->width() >= MulDiv(50, w, 4));
    QCOMPARE(one.DefaultButton(), yes);
    QCOMPARE(one.CancelButton(), cancel);
    // The button row is centred.
    QCOMPARE(yes->x() - 0, one.width() - (cancel->x() + cancel->width()));
    QCOMPARE(one.findChild<QLabel*>(QStringLiteral("Image"))->pos(),
             QPoint(MulDiv(8, w, 4), MulDiv(8, fm.height(), 8)));
}

void TestDialogs::lastChanceText()
{
    const QString text =
        LastChanceText(EResNotFound(QStringLiteral("Resource TfZVKTeplomer not found")));
    const QRegularExpression form(
        QStringLiteral("^Exception EResNotFound in module [^\\r\\n/]+ at [0-9A-F]{8}\\.\\r\\n"
                       "Resource TfZVKTeplomer not found\\.\\r\\n$"));
    QVERIFY2(form.match(text).hasMatch(), qPrintable(text));
    QVERIFY(
        LastChanceText(ETestError(QStringLiteral("Done."))).endsWith(QStringLiteral("Done.\r\n")));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
