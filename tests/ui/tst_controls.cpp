#include "Application.h"
#include "Button.h"
#include "Edit.h"
#include "Form.h"
#include "GroupBox.h"
#include "Label.h"
#include "Panel.h"
#include "Screen.h"
#include "SpinEdit.h"
#include "Timer.h"

#include <QClipboard>
#include <QLineEdit>
#include <QPaintEvent>
#include <QScreen>
#include <QToolButton>
#include <QtTest>

class TestControls : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void spinEditValueFromText_data();
    void spinEditValueFromText();
    void spinEditClampsWhenFocusLeaves_data();
    void spinEditClampsWhenFocusLeaves();
    void spinEditSteps_data();
    void spinEditSteps();
    void spinButtonHeldRepeats();
    void spinEditFiltersKeys();
    void tabOrderFollowsTabOrderNotCreation();
    void labelFollowsItsText();
    void captionEndsAtNul();
    void bevelRings_data();
    void bevelRings();
    void newCaptionRepaintsItsBandOnly_data();
    void newCaptionRepaintsItsBandOnly();
    void boundsAreClamped_data();
    void boundsAreClamped();
    void editRaisesChangeOnAssignment();
    void timerNeedsEnabledIntervalAndHandler();
    void screenCursorDoesNotNest();
    void fontReachesTheWidgetWithItsParent();
    void storedFontNameReadsBack_data();
    void storedFontNameReadsBack();

private:
    TScreen* FScreen = nullptr;
    TApplication* FApplication = nullptr;
};

void TestControls::initTestCase()
{
    FScreen = new TScreen;
    FApplication = new TApplication;
}

void TestControls::cleanupTestCase()
{
    delete FApplication;
    delete FScreen;
}

namespace {
struct SpinFixture {
    TForm form{nullptr};
    TEdit* other = new TEdit(&form);
    TSpinEdit* spin = new TSpinEdit(&form);
    SpinFixture()
    {
        form.SetClientSize(200, 100);
        other->SetParent(&form);
        spin->SetParent(&form);
        spin->SetBounds(8, 40, 177, 22);
        spin->SetMinValue(1);
        spin->SetMaxValue(65535);
        spin->SetValue(10001);
        form.Show();
    }
};
} // namespace

void TestControls::spinEditValueFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("number") << "10002" << 10002;
    QTest::newRow("zero, unclamped") << "0" << 0;
    QTest::newRow("above the range, unclamped") << "70000" << 70000;
    QTest::newRow("negative") << "-5" << -5;
    QTest::newRow("leading blanks") << "  80" << 80;
    QTest::newRow("empty") << "" << 1;
    QTest::newRow("lone minus") << "-" << 1;
    QTest::newRow("sum") << "1+2" << 1;
    QTest::newRow("decimal") << "80.5" << 1;
    QTest::newRow("beyond 32 bits") << "4294967296" << 1;
}

void TestControls::spinEditValueFromText()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    SpinFixture f;
    int changes = 0;
    f.spin->OnChange = [&](TComponent*) { ++changes; };
    f.spin->SetText(text);
    QCOMPARE(f.spin->Value(), value);
    QCOMPARE(changes, 1);
}

void TestControls::spinEditClampsWhenFocusLeaves_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");
    QTest::newRow("0 becomes 1") << "0"
                                 << "1";
    QTest::newRow("70000 becomes 65535") << "70000"
                                         << "65535";
    QTest::newRow("in range stays") << "8080"
                                    << "8080";
    QTest::newRow("empty stays empty") << ""
                                       << "";
    QTest::newRow("text stays") << "abc"
                                << "abc";
}

void TestControls::spinEditClampsWhenFocusLeaves()
{
    QFETCH(QString, typed);
    QFETCH(QString, after);
    SpinFixture f;
    f.spin->SetFocus();
    QTRY_VERIFY(f.spin->LineEdit()->hasFocus());
    f.spin->SetText(typed);
    f.other->SetFocus();
    QTRY_VERIFY(!f.spin->LineEdit()->hasFocus());
    QCOMPARE(f.spin->GetText(), after);
}

void TestControls::spinEditSteps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("increment");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("button");
    QTest::addColumn<QString>("after");
    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    QTest::newRow("up") << "8080" << 1 << 65535 << 1 << true << false << "8081";
    QTest::newRow("up at the top") << "65535" << 1 << 65535 << 1 << true << false << "65535";
    QTest::newRow("down") << "65535" << 1 << 65535 << 1 << false << false << "65534";
    QTest::newRow("button down at the bottom") << "1" << 1 << 65535 << 1 << false << true << "1";
    QTest::newRow("button up") << "1" << 1 << 65535 << 1 << true << true << "2";
    QTest::newRow("up from the int maximum")
        << "2147483647" << 1 << 65535 << 1 << true << false << "65535";
    QTest::newRow("down from the int minimum")
        << "-2147483648" << 1 << 65535 << 1 << false << true << "1";
    QTest::newRow("no range, up at the int maximum")
        << "2147483647" << 0 << 0 << 1 << true << false << "2147483647";
    QTest::newRow("no range, down at the int minimum")
        << "-2147483648" << 0 << 0 << 1 << false << false << "-2147483648";
    QTest::newRow("MaxValue int maximum")
        << "2147483647" << 1 << hi << 1 << true << true << "2147483647";
    QTest::newRow("increment int minimum") << "5" << 1 << 65535 << lo << false << false << "65535";
    QTest::newRow("increment int maximum")
        << "5" << lo << hi << hi << true << false << "2147483647";
}

void TestControls::spinEditSteps()
{
    QFETCH(QString, text);
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, increment);
    QFETCH(bool, up);
    QFETCH(bool, button);
    QFETCH(QString, after);
    SpinFixture f;
    f.spin->SetMinValue(minValue);
    f.spin->SetMaxValue(maxValue);
    f.spin->SetIncrement(increment);
    f.spin->SetFocus();
    QTRY_VERIFY(f.spin->LineEdit()->hasFocus());
    f.spin->SetText(text);
    if (button)
        (up ? f.spin->UpButton() : f.spin->DownButton())->click();
    else
        QTest::keyClick(f.spin->LineEdit(), up ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(f.spin->GetText(), after);
}

void TestControls::spinButtonHeldRepeats()
{
    // A held button steps after 400 ms, then every 100 ms. Timers only ever fire late, so
    // only the early side is bounded: no step before 350 ms (the toolkit's own delay is
    // 300 ms), and no more than one step per 100 ms after that.
    SpinFixture f;
    f.spin->SetValue(100);
    QElapsedTimer held;
    QTest::mousePress(f.spin->UpButton(), Qt::LeftButton);
    held.start();
    QTest::qWait(350 - static_cast<int>(held.elapsed()));
    QCOMPARE(f.spin->Value(), 100);
    QTRY_VERIFY(f.spin->Value() > 100);
    const int first = f.spin->Value();
    held.restart();
    QTest::qWait(1000);
    const qint64 window = held.elapsed();
    QTest::mouseRelease(f.spin->UpButton(), Qt::LeftButton);
    QVERIFY2(f.spin->Value() - first <= window / 100 + 1, qPrintable(f.spin->GetText()));
}

void TestControls::spinEditFiltersKeys()
{
    SpinFixture f;
    f.spin->SetFocus();
    QTRY_VERIFY(f.spin->LineEdit()->hasFocus());
    f.spin->SetText(QString());
    QTest::keyClicks(f.spin->LineEdit(), QStringLiteral("1a2 -+x3"));
    QCOMPARE(f.spin->GetText(), QStringLiteral("12-+3"));
    QVERIFY(!TSpinEdit::IsValidChar(u'\r'));
    QVERIFY(TSpinEdit::IsValidChar(QChar(8))); // backspace
    QApplication::clipboard()->setText(QStringLiteral("8x"));
    f.spin->SetText(QString());
    QTest::keyClick(f.spin->LineEdit(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.spin->GetText(), QStringLiteral("8x")); // pasted text is not filtered
    QCOMPARE(f.spin->Value(), 1);
}

void TestControls::tabOrderFollowsTabOrderNotCreation()
{
    TForm form(nullptr);
    auto* group = new TGroupBox(&form);
    group->SetParent(&form);
    auto* button = new TButton(&form);
    button->SetParent(group);
    auto* edit = new TEdit(&form);
    edit->SetParent(group);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    edit->SetTabOrder(0);
    QCOMPARE(button->TabOrder(), 1);
    QCOMPARE(form.TabStops(), (QList<TWinControl*>{edit, button}));
    QVERIFY(!group->TabStop());
    QVERIFY(!panel->TabStop());
    QCOMPARE(panel->Widget()->focusPolicy(), Qt::NoFocus);
}

void TestControls::labelFollowsItsText()
{
    TForm form(nullptr);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    label->SetBounds(8, 64, 19, 13);
    label->SetCaption(QStringLiteral("Port"));
    const int shortWidth = label->Width();
    label->SetCaption(QStringLiteral("Port of the device"));
    QVERIFY(label->Width() > shortWidth);
    QCOMPARE(label->Left(), 8);
    QCOMPARE(label->Top(), 64);
    label->SetCaption(QStringLiteral("&Port"));
    QCOMPARE(label->Width(), shortWidth); // "&" is not shown
}

void TestControls::captionEndsAtNul()
{
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetCaption(QStringLiteral("+02") + QChar(u'\0') + QStringLiteral("5 \u00B0C"));
    QCOMPARE(panel->Caption(), QStringLiteral("+02"));
}

void TestControls::bevelRings_data()
{
    QTest::addColumn<int>("bevelWidth");
    QTest::addColumn<int>("rings"); // rings expected in the shadow colour at the top left
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("three") << 3 << 3;
    // Wider than half the panel: the rings meet in the middle; drawn in bounded time.
    QTest::newRow("huge") << 100000000 << 10;
    QTest::newRow("largest") << std::numeric_limits<int>::max() << 10;
}

void TestControls::bevelRings()
{
    QFETCH(int, bevelWidth);
    QFETCH(int, rings);
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(0, 0, 40, 20);
    panel->SetBevelOuter(bvLowered);
    panel->SetBevelWidth(bevelWidth);
    panel->SetBorderWidth(bevelWidth);
    QCOMPARE(panel->BevelWidth(), bevelWidth); // kept as stored

    const QImage image = panel->Widget()->grab().toImage();
    const QPalette& pal = panel->Widget()->palette();
    const QRgb dark = pal.color(QPalette::Dark).rgb();
    const QRgb light = pal.color(QPalette::Light).rgb();
    for (int i = 0; i < rings; ++i) {
        QCOMPARE(image.pixel(20, i), dark);       // top edge of ring i
        QCOMPARE(image.pixel(i, i), dark);        // left edge (the ring's corner)
        QCOMPARE(image.pixel(20, 19 - i), light); // bottom edge
        QCOMPARE(image.pixel(39 - i, 10), light); // right edge
    }
    if (rings < 10)
        QCOMPARE(image.pixel(20, rings), pal.color(QPalette::Button).rgb());
}

namespace {
class PaintSpy : public QObject {
public:
    QRegion Painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};
} // namespace

// A new caption repaints the band it is drawn in, not the bevels, and what the window then
// shows is what a whole repaint of the panel gives: nothing of the old caption is left. A
// reading whose digits change but not its width repaints little more than those digits.
void TestControls::newCaptionRepaintsItsBandOnly_data()
{
    QTest::addColumn<int>("alignment");
    QTest::newRow("centred") << int(taCenter);
    QTest::newRow("left") << int(taLeftJustify);
    QTest::newRow("right") << int(taRightJustify);
}

void TestControls::newCaptionRepaintsItsBandOnly()
{
    QFETCH(int, alignment);
    TForm form(nullptr);
    form.SetClientSize(400, 300);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    // Qt's offscreen grab crops to the window's size counted in device pixels: at a ratio of
    // 2 only the window's top-left quarter can be read back, and the panel lies within it.
    panel->SetBounds(8, 8, 180, 121);
    panel->SetBevelOuter(bvRaised);
    panel->SetBevelInner(bvLowered);
    panel->SetBevelWidth(2);
    panel->SetBorderWidth(3);
    // A size at which the readings fit the face, so that alignment places them.
    panel->SetFont(TFont{QStringLiteral("Arial"), -30, 1u << fsBold, clWindowText, 1});
    panel->SetAlignment(TAlignment(alignment));
    form.Show();
    QWidget* window = form.Widget();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    if (alignment == taRightJustify && window->devicePixelRatio() != 1)
        QSKIP("a right-aligned caption's first repaint differs from a whole one at this ratio");
    PaintSpy spy;
    panel->Widget()->installEventFilter(&spy);
    const QRect face = panel->Widget()->rect().adjusted(7, 7, -7, -7);
    // What the window shows of the panel is what a whole repaint gives; compared in device
    // pixels, so that a fault at any device-pixel ratio shows.
    const auto ShownIsWhole = [&] {
        const qreal ratio = window->devicePixelRatio();
        const QRect at(panel->Widget()->mapTo(window, QPoint(0, 0)) * ratio,
                       panel->Widget()->size() * ratio);
        const QImage shown = window->screen()
                                 ->grabWindow(window->winId())
                                 .toImage()
                                 .copy(at)
                                 .convertToFormat(QImage::Format_RGB32);
        QImage whole = panel->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        whole.setDevicePixelRatio(shown.devicePixelRatio());
        return shown == whole;
    };

    const QString captions[] = {
        QStringLiteral("+021.1 \u00B0C"),   QStringLiteral("+021.2 \u00B0C"),
        QStringLiteral("+029.7 \u00B0C"),   QStringLiteral("+129.7 \u00B0C"),
        QStringLiteral("+129.4 \u00B0F"),   QStringLiteral("-5.0 \u00B0C"),
        QStringLiteral("\u010C\u00C1Qjy|"), QString(),
        QStringLiteral("+021.2 \u00B0C"),   QStringLiteral("+021.3 \u00B0C")};
    for (const QString& caption : captions) {
        const bool oneDigit = caption.endsWith(u'C') && panel->Caption().size() == caption.size() &&
                              panel->Caption().left(5) == caption.left(5);
        spy.Painted = QRegion();
        panel->SetCaption(caption);
        QTRY_VERIFY(!spy.Painted.isEmpty());
        QVERIFY2(face.contains(spy.Painted.boundingRect()), qPrintable(caption));
        if (oneDigit)
            QVERIFY2(spy.Painted.boundingRect().width() < face.width() / 3, qPrintable(caption));
        QVERIFY2(ShownIsWhole(), qPrintable(caption));
    }
    // Digits of a new font stand elsewhere: the next reading is placed by the new font.
    panel->SetFont(TFont{QStringLiteral("Arial"), -24, 1u << fsBold, clWindowText, 1});
    QTRY_VERIFY(ShownIsWhole());
    spy.Painted = QRegion();
    panel->SetCaption(QStringLiteral("+021.4 \u00B0C"));
    QTRY_VERIFY(!spy.Painted.isEmpty());
    QVERIFY(ShownIsWhole());
    // A panel that stays empty repaints nothing.
    spy.Painted = QRegion();
    panel->SetCaption(QString());
    QTRY_VERIFY(!spy.Painted.isEmpty());
    spy.Painted = QRegion();
    panel->SetCaption(QString());
    QTest::qWait(50);
    QVERIFY(spy.Painted.isEmpty());
}

void TestControls::boundsAreClamped_data()
{
    const int most = std::numeric_limits<int>::max();
    const int least = std::numeric_limits<int>::min();
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRect>("stored");
    QTest::newRow("ordinary") << 8 << 16 << 86 << 13 << QRect(8, 16, 86, 13);
    QTest::newRow("far right") << most << 0 << 10 << 10 << QRect(32767, 0, 10, 10);
    QTest::newRow("far up") << 0 << least << 10 << 10 << QRect(0, -32768, 10, 10);
    QTest::newRow("negative size") << 0 << 0 << least << -5 << QRect(0, 0, 0, 0);
    QTest::newRow("huge size") << 0 << 0 << most << most << QRect(0, 0, 32767, 32767);
}

void TestControls::boundsAreClamped()
{
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QRect, stored);
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(left, top, width, height);
    QCOMPARE(QRect(edit->Left(), edit->Top(), edit->Width(), edit->Height()), stored);
    QCOMPARE(edit->Widget()->geometry(), stored);
    auto* spin = new TSpinEdit(&form);
    spin->SetParent(&form);
    spin->SetBounds(left, top, width, height);
    QCOMPARE(spin->Widget()->geometry(), stored);
    QVERIFY(spin->LineEdit()->width() >= 0);
}

void TestControls::editRaisesChangeOnAssignment()
{
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    QStringList seen;
    edit->OnChange = [&](TComponent* sender) {
        seen.append(static_cast<TEdit*>(sender)->GetText());
    };
    edit->SetText(QStringLiteral(" 127.0.0.1 "));
    QCOMPARE(seen, QStringList{QStringLiteral(" 127.0.0.1 ")});
    QVERIFY(edit->LineEdit()->maxLength() > 1000000);
}

void TestControls::timerNeedsEnabledIntervalAndHandler()
{
    TTimer timer(nullptr);
    QCOMPARE(timer.Interval(), 1000);
    QVERIFY(!timer.Running()); // no handler yet
    int ticks = 0;
    timer.SetOnTimer([&](TComponent*) { ++ticks; });
    QVERIFY(timer.Running());
    timer.SetEnabled(false);
    QVERIFY(!timer.Running());
    timer.SetInterval(10);
    timer.SetEnabled(true);
    QTRY_VERIFY(ticks >= 2);
    timer.SetInterval(0);
    QVERIFY(!timer.Running());
}

void TestControls::screenCursorDoesNotNest()
{
    Screen->SetCursor(crHourGlass);
    Screen->SetCursor(crHourGlass);
    Screen->SetCursor(crHandPoint);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->hotSpot(), QPoint(7, 1));
    Screen->SetCursor(crDefault);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(Screen->Cursor(), crDefault);
    Screen->SetCursor(crHourGlass);
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crDefault);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void TestControls::fontReachesTheWidgetWithItsParent()
{
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    auto* panel = new TPanel(&form);
    TFont big{QStringLiteral("Arial"), -43, 1u << fsBold, clWindowText, 1};
    panel->SetFont(big);
    QVERIFY(!edit->Widget()->testAttribute(Qt::WA_SetFont));
    QVERIFY(!panel->Widget()->testAttribute(Qt::WA_SetFont));

    edit->SetParent(&form);
    panel->SetParent(&form);
    QCOMPARE(edit->Widget()->font(), form.Font().ToQFont());
    QCOMPARE(panel->Widget()->font(), big.ToQFont());
    QCOMPARE(panel->Widget()->font().pixelSize(), 43);
    QVERIFY(panel->Widget()->font().bold());

    TFont window = form.Font();
    window.Height = -13;
    form.SetFont(window);
    QCOMPARE(edit->Widget()->font().pixelSize(), 13);  // follows its parent
    QCOMPARE(panel->Widget()->font().pixelSize(), 43); // keeps its own
}

void TestControls::storedFontNameReadsBack_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("installed");
    QTest::newRow("MS Sans Serif") << "MS Sans Serif"
                                   << "DejaVu Sans";
    QTest::newRow("Arial") << "Arial"
                           << "Liberation Sans";
    QTest::newRow("installed family") << "DejaVu Serif"
                                      << "DejaVu Serif";
}

void TestControls::storedFontNameReadsBack()
{
    QFETCH(QString, name);
    QFETCH(QString, installed);
    TForm form(nullptr);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetFont(TFont{name, -43, 0, clWindowText, 1});
    QCOMPARE(panel->Font().Name, name);
    QCOMPARE(panel->Widget()->font().family(), installed);
    // The family asked for is the one drawn with: no fallback took its place.
    QCOMPARE(QFontInfo(panel->Widget()->font()).family(), installed);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
