#include "Component.h"
#include "Form.h"
#include "Label.h"
#include "MulDiv.h"
#include "Panel.h"

#include <QApplication>
#include <QtTest>

class TestComponents : public QObject {
    Q_OBJECT
private slots:
    void ownerDestroysComponentsLastFirst();
    void namesAreUniqueAmongOwnerComponents();
    void propertyLookupIgnoresAsciiCaseAndClimbsAncestors();
    void mulDivRoundsHalvesAwayFromZero_data();
    void mulDivRoundsHalvesAwayFromZero();
    void fontHeightAndPoints();
    void scalingByTextHeight();
    void formWidthIsTheOuterSize();
};

namespace {
QStringList destroyedNames;

class TProbe : public TComponent {
public:
    using TComponent::TComponent;
    ~TProbe() override { destroyedNames.append(Name()); }
};
} // namespace

void TestComponents::ownerDestroysComponentsLastFirst()
{
    destroyedNames.clear();
    auto* owner = new TComponent(nullptr);
    auto* a = new TProbe(owner);
    a->SetName(QStringLiteral("A"));
    auto* b = new TProbe(owner);
    b->SetName(QStringLiteral("B"));
    auto* c = new TProbe(owner);
    c->SetName(QStringLiteral("C"));
    delete b; // leaves its owner's list at once
    QCOMPARE(owner->ComponentCount(), 2);
    delete owner;
    QCOMPARE(destroyedNames, (QStringList{"B", "C", "A"}));
}

void TestComponents::namesAreUniqueAmongOwnerComponents()
{
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    a->SetName(QStringLiteral("Timer1"));
    QVERIFY_THROWS_EXCEPTION(EComponentError, b->SetName(QStringLiteral("timer1")));
    QVERIFY(b->Name().isEmpty());
    for (const char* bad : {"1 2", "2x", "a-b", "Teplomer\u011b"})
        QVERIFY_THROWS_EXCEPTION(EComponentError, b->SetName(QString::fromUtf8(bad)));
    b->SetName(QStringLiteral("Timer2"));
    QCOMPARE(owner.FindComponent(QStringLiteral("Timer2")), b);
    QCOMPARE(owner.FindComponent(QStringLiteral("timer2")), nullptr); // lookups are exact
}

void TestComponents::propertyLookupIgnoresAsciiCaseAndClimbsAncestors()
{
    const TClassInfo& label = TLabel::StaticClassInfo();
    const TPropInfo* caption = label.FindProperty(QStringLiteral("cAPTION"));
    QVERIFY(caption);
    QCOMPARE(QString::fromLatin1(caption->Name), QStringLiteral("Caption"));
    QVERIFY(label.FindProperty(QStringLiteral("left"))); // from TControl
    QVERIFY(label.FindProperty(QStringLiteral("NAME"))); // from TComponent
    QVERIFY(!label.FindProperty(QStringLiteral("Font.Height")));
    QVERIFY(!label.FindProperty(QStringLiteral("Captión")));  // no folding beyond ASCII
    QVERIFY(!label.FindProperty(QStringLiteral("TabOrder"))); // labels are no window controls
    QVERIFY(label.InheritsFrom(TControl::StaticClassInfo()));
    QVERIFY(!label.InheritsFrom(TWinControl::StaticClassInfo()));
}

void TestComponents::mulDivRoundsHalvesAwayFromZero_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact") << 298 << 13 << 13 << 298;
    QTest::newRow("half up") << 1 << 1 << 2 << 1;
    QTest::newRow("negative half") << -1 << 1 << 2 << -1;
    QTest::newRow("below half") << 4 << 16 << 13 << 5;       // 4.92
    QTest::newRow("font height") << -11 << 120 << 96 << -14; // -13.75
    QTest::newRow("8 * 7 / 4 = 14") << 8 << 7 << 4 << 14;
}

void TestComponents::mulDivRoundsHalvesAwayFromZero()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QFETCH(int, expected);
    QCOMPARE(MulDiv(a, b, c), expected);
}

void TestComponents::fontHeightAndPoints()
{
    TFont f;
    f.Height = -11;
    QCOMPARE(f.Size(), 8);
    f.Height = -43;
    QCOMPARE(f.Size(), 32);
    f.SetSize(39);
    QCOMPARE(f.Height, -52);
    QCOMPARE(f.ToQFont().pixelSize(), 52);
}

void TestComponents::scalingByTextHeight()
{
    TForm form(nullptr);
    form.SetClientSize(298, 258);
    auto* label = new TLabel(&form);
    label->SetAutoSize(false);
    label->SetParent(&form);
    label->SetBounds(8, 16, 86, 13);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(8, 128, 281, 121);
    TFont big;
    big.Name = QStringLiteral("Arial");
    big.Height = -43;
    panel->SetFont(big);

    form.ScaleBy(16, 13);               // a font whose "0" is 16 pixels high instead of 13
    QCOMPARE(form.ClientWidth(), 367);  // 298 * 16 / 13 = 366.77
    QCOMPARE(form.ClientHeight(), 318); // 317.5 rounds away from zero
    QCOMPARE(label->Left(), 10);        // 9.85
    QCOMPARE(label->Top(), 20);         // 19.69
    QCOMPARE(label->Width(), 116 - 10); // right edge 94 -> 115.69
    QCOMPARE(label->Height(), 36 - 20); // bottom edge 29 -> 35.69
    QCOMPARE(panel->Width(), 356 - 10); // right edge 289 -> 355.69
    QCOMPARE(panel->Font().Size(), 39); // 32 pt * 16 / 13 = 39.38
    QVERIFY(label->ParentFont());

    // A font of the stored height leaves everything as stored.
    TForm plain(nullptr);
    plain.SetClientSize(298, 258);
    plain.SetTextHeight(plain.MeasureTextHeight());
    plain.ScaleToScreen(plain.PixelsPerInch());
    QCOMPARE(plain.ClientWidth(), 298);
    QCOMPARE(plain.ClientHeight(), 258);
}

void TestComponents::formWidthIsTheOuterSize()
{
    TForm form(nullptr);
    form.SetBorderStyle(bsSingle);
    form.SetClientSize(298, 258);
    const int frame = form.Width() - 298;
    QVERIFY(frame >= 0);
    form.SetWidth(form.Width() + 20);
    QCOMPARE(form.ClientWidth(), 318);
    QCOMPARE(form.Widget()->size(), QSize(318, 258));
    form.SetLeft(40);
    QCOMPARE(form.ClientWidth(), 318);
    QCOMPARE(form.Widget()->frameGeometry().left(), 40);
}

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
