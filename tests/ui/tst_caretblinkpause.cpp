#include "CaretBlinkPause.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStyleHints>
#include <QWheelEvent>
#include <QtTest>

// The caret's blink stops after a time without input and starts again at the next input.
class TestCaretBlinkPause : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void stopsWhenIdleAndRestartsOnInput_data();
    void stopsWhenIdleAndRestartsOnInput();
    void caretStaysShownWhileStopped();
    void otherEventsDoNotRestartTheBlink();

private:
    static constexpr std::chrono::milliseconds IdleTime{100};
    int FlashTime() const { return QGuiApplication::styleHints()->cursorFlashTime(); }

    std::unique_ptr<QWidget> FWindow;
    QLineEdit* FEdit = nullptr;
    int FBlinking = 0;
};

void TestCaretBlinkPause::init()
{
    QGuiApplication::styleHints()->setCursorFlashTime(1000);
    FBlinking = FlashTime();
    FWindow = std::make_unique<QWidget>();
    FWindow->setFixedSize(200, 100);
    FEdit = new QLineEdit(QStringLiteral("192.168.1.254"), FWindow.get());
    FEdit->setGeometry(8, 40, 177, 21);
    FWindow->show();
    FEdit->setFocus();
    QVERIFY(QTest::qWaitForWindowExposed(FWindow.get()));
    FEdit->setSelection(4, 3);
}

void TestCaretBlinkPause::cleanup()
{
    FWindow.reset();
}

void TestCaretBlinkPause::stopsWhenIdleAndRestartsOnInput_data()
{
    QTest::addColumn<int>("input");
    QTest::newRow("key press") << 0;
    QTest::newRow("mouse press beside the edit") << 1;
    QTest::newRow("wheel") << 2;
}

void TestCaretBlinkPause::stopsWhenIdleAndRestartsOnInput()
{
    QFETCH(int, input);
    {
        TCaretBlinkPause pause(IdleTime);
        QVERIFY(!pause.Paused());
        QCOMPARE(FlashTime(), FBlinking);
        QTRY_VERIFY_WITH_TIMEOUT(pause.Paused(), 2000);
        QCOMPARE(FlashTime(), 0);

        if (input == 0) {
            QTest::keyClick(FEdit, Qt::Key_Shift);
        } else if (input == 1) {
            QTest::mouseClick(FWindow.get(), Qt::LeftButton, {}, QPoint(190, 90));
        } else {
            QWheelEvent wheel(QPointF(20, 50), FWindow->mapToGlobal(QPointF(20, 50)), QPoint(),
                              QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                              false);
            QCoreApplication::sendEvent(FWindow.get(), &wheel);
        }
        QVERIFY(!pause.Paused());
        QCOMPARE(FlashTime(), FBlinking);
        // Focus, selection and the caret's place are as they were.
        QVERIFY(FEdit->hasFocus());
        QCOMPARE(FEdit->selectedText(), QStringLiteral("168"));
        QCOMPARE(FEdit->cursorPosition(), 7);

        // The idle time counts again from the input.
        QTRY_VERIFY_WITH_TIMEOUT(pause.Paused(), 2000);
        QCOMPARE(FlashTime(), 0);
    }
    // Gone, it leaves the blink as it found it.
    QCOMPARE(FlashTime(), FBlinking);
}

void TestCaretBlinkPause::caretStaysShownWhileStopped()
{
    FEdit->deselect();
    FEdit->setCursorPosition(3);
    const QRect caret = FEdit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    // The caret is a dark column as high as most of the line; no glyph is that high.
    const auto caretShown = [&] {
        const QImage shot = FEdit->grab().toImage();
        for (int x = caret.left(); x <= caret.right() + 1; ++x) {
            int dark = 0;
            for (int y = caret.top(); y <= caret.bottom(); ++y)
                dark += qGray(shot.pixel(x, y)) < 96;
            if (dark >= caret.height() * 3 / 4)
                return true;
        }
        return false;
    };
    // While it blinks, some looks find it hidden.
    bool hiddenOnce = false;
    for (int i = 0; i < 14 && !hiddenOnce; ++i) {
        hiddenOnce = !caretShown();
        QTest::qWait(100);
    }
    QVERIFY(hiddenOnce);

    TCaretBlinkPause pause(IdleTime);
    QTRY_VERIFY_WITH_TIMEOUT(pause.Paused(), 2000);
    // Over more than one blink period the caret is drawn every time it is looked at.
    for (int i = 0; i < 8; ++i) {
        QVERIFY2(caretShown(), qPrintable(QStringLiteral("look %1").arg(i)));
        QTest::qWait(200);
    }
}

void TestCaretBlinkPause::otherEventsDoNotRestartTheBlink()
{
    TCaretBlinkPause pause(IdleTime);
    QTRY_VERIFY_WITH_TIMEOUT(pause.Paused(), 2000);
    FWindow->update();
    FEdit->setText(QStringLiteral("127.0.0.1")); // the program's own change, not input
    QTest::qWait(50);
    QVERIFY(pause.Paused());
    QCOMPARE(FlashTime(), 0);
}

QTEST_MAIN(TestCaretBlinkPause)
#include "tst_caretblinkpause.moc"
