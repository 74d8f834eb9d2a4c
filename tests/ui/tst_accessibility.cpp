#include "Accessibility.h"
#include "Button.h"
#include "DialogRecorder.h"
#include "Edit.h"
#include "GroupBox.h"
#include "Image.h"
#include "Label.h"
#include "LanguageChoice.h"
#include "Panel.h"
#include "ProgramMain.h"
#include "ReadableDisabledText.h"
#include "Simulator.h"
#include "SpinEdit.h"
#include "uf_ZVKdemo.h"

#include <QAccessible>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
struct Heard {
    QObject* Object;
    QAccessible::Event Type;
    QString Text;   // the new text of a text update
    QVariant Value; // the new value of a value change
};
QList<Heard> Events;

void Record(QAccessibleEvent* event)
{
    QString text;
    if (event->type() == QAccessible::TextUpdated)
        text = static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
    QVariant value;
    if (event->type() == QAccessible::ValueChanged)
        value = static_cast<QAccessibleValueChangeEvent*>(event)->value();
    Events.append({event->object(), event->type(), text, value});
}

QAccessibleInterface* Interface(TControl* control)
{
    return QAccessible::queryAccessibleInterface(control->Widget());
}

bool HasRelation(QAccessibleInterface* from, QAccessibleInterface* to, QAccessible::Relation r)
{
    const auto found = from->relations(r);
    return std::any_of(found.begin(), found.end(),
                       [&](const auto& rel) { return rel.first == to && rel.second == r; });
}

QList<Heard> EventsOf(QObject* object, QAccessible::Event type)
{
    QList<Heard> found;
    for (const Heard& e : Events)
        if (e.Object == object && e.Type == type)
            found << e;
    return found;
}

const QString Reading = QStringLiteral("+021.0 \u00B0C");
} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void controlsHaveRoleAndName_data();
    void controlsHaveRoleAndName();
    void everyObjectInTheTreeIsNamed();
    void labelsNameTheirFields_data();
    void labelsNameTheirFields();
    void portIsASpinButton();
    void portAnnouncesItsValue_data();
    void portAnnouncesItsValue();
    void toggleAndReadingAreHeard();
    void flagsAreCheckedByLanguage();
    void widgetBeingDestroyedHasNoInterface();
    void readingIsThePanelsNameAndText();
    void readingChangeIsAnnounced();
    void languageSwitchIsAnnounced();
    void flagsWorkFromTheKeyboard_data();
    void flagsWorkFromTheKeyboard();
    void flagShowsItsFocus();
    void disabledFieldsStayReadable_data();
    void disabledFieldsStayReadable();

private:
    std::unique_ptr<TProgramModules> FProgram;
    std::unique_ptr<TDialogRecorder> FDialogs;
    TfZVKTeplomer* F = nullptr;
};

void TestAccessibility::initTestCase()
{
    InstallAnnouncementHandler(&Record);
}

void TestAccessibility::init()
{
    QFile::remove(BesideProgramLanguageChoicePath());
    FProgram = std::make_unique<TProgramModules>();
    FDialogs = std::make_unique<TDialogRecorder>();
    F = FProgram->CreateMainWindow();
    QVERIFY(F);
    QVERIFY(FDialogs->Shown.isEmpty());
    F->Show();
    QVERIFY(QTest::qWaitForWindowExposed(F->Widget()));
    Events.clear();
}

void TestAccessibility::cleanup()
{
    FProgram.reset();
    FDialogs.reset();
    QFile::remove(BesideProgramLanguageChoicePath());
}

void TestAccessibility::controlsHaveRoleAndName_data()
{
    QTest::addColumn<QString>("component");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("window") << "" << int(QAccessible::Window) << "Ukázka měření teploty na ZVK"
                            << "";
    QTest::newRow("group box") << "GroupBox1" << int(QAccessible::Grouping)
                               << " Nastavení připojení "
                               << "";
    QTest::newRow("Label1") << "Label1" << int(QAccessible::StaticText) << "IP adresa zařízení"
                            << "";
    QTest::newRow("Label2") << "Label2" << int(QAccessible::StaticText) << "Port"
                            << "";
    QTest::newRow("address") << "txtIP" << int(QAccessible::EditableText) << "IP adresa zařízení"
                             << "192.168.1.254";
    QTest::newRow("port") << "sePort" << int(QAccessible::SpinBox) << "Port"
                          << "10001";
    QTest::newRow("toggle") << "cmdConnect" << int(QAccessible::CheckBox) << "Připojit"
                            << "";
    QTest::newRow("Czech flag") << "Image1" << int(QAccessible::RadioButton) << "Čeština"
                                << "";
    QTest::newRow("British flag") << "Image2" << int(QAccessible::RadioButton) << "English"
                                  << "";
    QTest::newRow("reading panel") << "pnlTeplota" << int(QAccessible::StaticText) << ""
                                   << "";
}

void TestAccessibility::controlsHaveRoleAndName()
{
    QFETCH(QString, component);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(QString, value);
    auto* control = component.isEmpty() ? F : ComponentCast<TControl>(F->FindComponent(component));
    QVERIFY(control);
    QAccessibleInterface* iface = Interface(control);
    QVERIFY(iface && iface->isValid());
    QCOMPARE(int(iface->role()), role);
    QCOMPARE(iface->text(QAccessible::Name), name);
    if (!value.isEmpty())
        QCOMPARE(iface->text(QAccessible::Value), value);
    // Every control sits in the tree under its parent.
    QAccessibleInterface* parent = iface->parent();
    QVERIFY(parent);
    if (control != F)
        QVERIFY(parent->indexOfChild(iface) >= 0);
}

// What a screen reader walking the window meets: every object has a role and a name once a
// reading shows. The arrow buttons and the edit inside the port field are not objects.
void TestAccessibility::everyObjectInTheTreeIsNamed()
{
    F->pnlTeplota->SetCaption(Reading);
    QList<QAccessibleInterface*> pending{Interface(F)};
    QStringList unnamed;
    int objects = 0;
    while (!pending.isEmpty()) {
        QAccessibleInterface* iface = pending.takeFirst();
        ++objects;
        if (iface->text(QAccessible::Name).isEmpty() || iface->role() == QAccessible::Client ||
            iface->role() == QAccessible::NoRole)
            unnamed << QString::fromLatin1(iface->object()->metaObject()->className()) + u':' +
                           QString::number(iface->role()) + u':' + iface->text(QAccessible::Name);
        for (int i = 0; i < iface->childCount(); ++i)
            pending << iface->child(i);
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
    QCOMPARE(objects, 10); // window, group box, 2 labels, 2 fields, toggle, 2 flags, panel
}

void TestAccessibility::labelsNameTheirFields_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("field");
    QTest::newRow("address") << "Label1"
                             << "txtIP";
    QTest::newRow("port") << "Label2"
                          << "sePort";
}

void TestAccessibility::labelsNameTheirFields()
{
    QFETCH(QString, label);
    QFETCH(QString, field);
    QAccessibleInterface* l = Interface(ComponentCast<TControl>(F->FindComponent(label)));
    QAccessibleInterface* f = Interface(ComponentCast<TControl>(F->FindComponent(field)));
    QVERIFY(HasRelation(l, f, QAccessible::Labelled));
    QVERIFY(HasRelation(f, l, QAccessible::Label));
    // No other control claims the label.
    QVERIFY(!HasRelation(Interface(F->cmdConnect), l, QAccessible::Label));
    QVERIFY(!HasRelation(Interface(F->pnlTeplota), l, QAccessible::Label));
    QCOMPARE(f->text(QAccessible::Name), l->text(QAccessible::Name));
}

void TestAccessibility::portIsASpinButton()
{
    QAccessibleInterface* port = Interface(F->sePort);
    QAccessibleValueInterface* value = port->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toInt(), 10001);
    QCOMPARE(value->minimumValue().toInt(), 1);
    QCOMPARE(value->maximumValue().toInt(), 65535);
    QCOMPARE(value->minimumStepSize().toInt(), 1);
    QVERIFY(port->textInterface());
    QCOMPARE(port->textInterface()->text(0, -1), QStringLiteral("10001"));
    QCOMPARE(port->childCount(), 0);
    // Its focus is the spin button's, not the hidden edit's.
    F->sePort->SetFocus();
    QTRY_VERIFY(port->state().focused);
    QVERIFY(std::any_of(Events.begin(), Events.end(), [&](const Heard& e) {
        return e.Object == F->sePort->Widget() && e.Type == QAccessible::Focus;
    }));

    // Set from outside as typed: bounded to the range.
    value->setCurrentValue(70000);
    QCOMPARE(F->sePort->Value(), 65535);
    port->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
    QCOMPARE(F->sePort->Value(), 65534);
    // Connected, the field takes nothing.
    F->sePort->SetEnabled(false);
    value->setCurrentValue(5);
    port->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    QCOMPARE(F->sePort->Value(), 65534);
}

void TestAccessibility::portAnnouncesItsValue_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("value");
    QTest::newRow("Up") << int(Qt::Key_Up) << 10002;
    QTest::newRow("Down") << int(Qt::Key_Down) << 10000;
    QTest::newRow("typed") << int(Qt::Key_5) << 100015;
}

// The spin button's value changes, not the text of the edit inside, which is not in the tree.
void TestAccessibility::portAnnouncesItsValue()
{
    QFETCH(int, key);
    QFETCH(int, value);
    F->sePort->SetFocus();
    F->sePort->LineEdit()->end(false);
    Events.clear();
    QTest::keyClick(F->sePort->LineEdit(), Qt::Key(key));
    const auto changes = EventsOf(F->sePort->Widget(), QAccessible::ValueChanged);
    QCOMPARE(changes.size(), 1);
    QCOMPARE(changes[0].Value.toInt(), value);
    QCOMPARE(Interface(F->sePort)->valueInterface()->currentValue().toInt(), value);
    QVERIFY(std::none_of(Events.begin(), Events.end(),
                         [&](const Heard& e) { return e.Object == F->sePort->LineEdit(); }));
}

// Pressing the toggle is answered by its state; the first reading of a connection is said
// once, by a notification, and no later one is.
void TestAccessibility::toggleAndReadingAreHeard()
{
    TSimulator sim;
    QVERIFY(sim.Start({QStringLiteral("--interval"), QStringLiteral("100")})); // drifting
    QAccessibleInterface* toggle = Interface(F->cmdConnect);
    QVERIFY(toggle->state().checkable && !toggle->state().checked);
    F->txtIP->SetText(QStringLiteral("127.0.0.1"));
    F->sePort->SetValue(sim.Port());
    Events.clear();
    static_cast<QPushButton*>(F->cmdConnect->Widget())->click();
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Odpojit"));
    QCOMPARE(EventsOf(F->cmdConnect->Widget(), QAccessible::StateChanged).size(), 1);
    QVERIFY(toggle->state().checked);
    QCOMPARE(toggle->text(QAccessible::Name), QStringLiteral("Odpojit"));

    const auto notices = [] {
        QList<QAccessibleInterface*> found;
        for (const Heard& e : Events)
            if (e.Type == QAccessible::ObjectShow)
                found << QAccessible::queryAccessibleInterface(e.Object);
        return found;
    };
    QTRY_COMPARE_WITH_TIMEOUT(notices().size(), 1, 3000);
    QAccessibleInterface* notice = notices()[0];
    QCOMPARE(notice->role(), QAccessible::Notification);
    QVERIFY(QRegularExpression(QStringLiteral("^\\+0\\d\\d\\.\\d \u00B0C$"))
                .match(notice->text(QAccessible::Name))
                .hasMatch());
    QVERIFY(!notice->state().invisible);
    QVERIFY(!static_cast<QWidget*>(notice->object())->isVisible()); // to the eye: nothing
    const QString first = F->pnlTeplota->Caption();
    QTRY_VERIFY_WITH_TIMEOUT(F->pnlTeplota->Caption() != first, 8000);
    QCOMPARE(notices().size(), 1);

    Events.clear();
    static_cast<QPushButton*>(F->cmdConnect->Widget())->click();
    QCOMPARE(EventsOf(F->cmdConnect->Widget(), QAccessible::StateChanged).size(), 1);
    QVERIFY(!toggle->state().checked);
}

// The current language's flag is the checked one; neither names a key for its press.
void TestAccessibility::flagsAreCheckedByLanguage()
{
    QAccessibleInterface* czech = Interface(F->Image1);
    QAccessibleInterface* english = Interface(F->Image2);
    QVERIFY(czech->state().checked && czech->state().checkable);
    QVERIFY(!english->state().checked && english->state().checkable);
    for (QAccessibleInterface* flag : {czech, english})
        QVERIFY(flag->actionInterface()
                    ->keyBindingsForAction(QAccessibleActionInterface::pressAction())
                    .isEmpty());
    F->Image2->Press();
    QVERIFY(!czech->state().checked && english->state().checked);
    QCOMPARE(EventsOf(F->Image2->Widget(), QAccessible::StateChanged).size(), 1);
    QCOMPARE(EventsOf(F->Image1->Widget(), QAccessible::StateChanged).size(), 1);
    // Pressed again: nothing changes, nothing is said.
    Events.clear();
    F->Image2->Press();
    QCOMPARE(EventsOf(F->Image2->Widget(), QAccessible::StateChanged).size(), 0);
}

// As Qt's own factory, ours gives no interface for a widget on its way out (its window gone
// before the controls): Qt's cache would keep it past the widget.
void TestAccessibility::widgetBeingDestroyedHasNoInterface()
{
    QWidget* widget = F->Label1->Widget();
    QVERIFY(Interface(F->Label1));
    bool asked = false;
    QAccessibleInterface* during = nullptr;
    QObject::connect(widget, &QObject::destroyed, [&] {
        asked = true;
        during = QAccessible::queryAccessibleInterface(widget);
    });
    delete widget;
    QVERIFY(asked);
    QVERIFY(!during);
    QVERIFY(!F->Label1->Widget());
}

void TestAccessibility::readingIsThePanelsNameAndText()
{
    QAccessibleInterface* panel = Interface(F->pnlTeplota);
    F->pnlTeplota->SetCaption(Reading);
    QCOMPARE(panel->text(QAccessible::Name), Reading);
    QAccessibleTextInterface* text = panel->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), Reading.size());
    QCOMPARE(text->text(0, -1), Reading);
    QCOMPARE(text->text(1, 4), QStringLiteral("021"));
    QCOMPARE(text->text(-5, 1000), Reading);
    // The panel shows "&" as it is.
    F->pnlTeplota->SetCaption(QStringLiteral("A&B"));
    QCOMPARE(panel->text(QAccessible::Name), QStringLiteral("A&B"));
    QCOMPARE(Interface(F->Label2)->textInterface()->text(0, -1), QStringLiteral("Port"));
    // A group box is a grouping, not text.
    QVERIFY(!Interface(F->GroupBox1)->textInterface());
}

void TestAccessibility::readingChangeIsAnnounced()
{
    const QString readings[] = {Reading, QStringLiteral("+021.5 \u00B0C"),
                                QStringLiteral("-003.0 \u00B0C")};
    for (const QString& reading : readings) {
        Events.clear();
        F->pnlTeplota->SetCaption(reading);
        QCOMPARE(Events.size(), 2);
        QCOMPARE(Events[0].Object, F->pnlTeplota->Widget());
        QCOMPARE(Events[0].Type, QAccessible::NameChanged);
        QCOMPARE(Events[1].Object, F->pnlTeplota->Widget());
        QCOMPARE(Events[1].Type, QAccessible::TextUpdated);
        QCOMPARE(Events[1].Text, reading);
    }
    // The same reading again says nothing.
    Events.clear();
    F->pnlTeplota->SetCaption(readings[2]);
    QVERIFY(Events.isEmpty());
}

// After a switch to English each relabelled control, the fields named by the labels and the
// window announce their new names, once each (the button announces its own, through Qt).
void TestAccessibility::languageSwitchIsAnnounced()
{
    F->Image2->Press();
    QCOMPARE(F->Label1->Caption(), QStringLiteral("Device IP address"));
    const auto renames = [](TControl* c) {
        return std::count_if(Events.begin(), Events.end(), [c](const Heard& e) {
            return e.Object == c->Widget() && e.Type == QAccessible::NameChanged;
        });
    };
    const auto named = [&](TControl* c) { return renames(c) > 0; };
    for (TControl* c : std::initializer_list<TControl*>{F, F->GroupBox1, F->Label1, F->txtIP})
        QVERIFY2(renames(c) == 1, qPrintable(c->Name()));
    // "Port" is "Port" in both: nothing changed, nothing is said.
    QVERIFY(!named(F->Label2) && !named(F->sePort));
    QCOMPARE(Interface(F->txtIP)->text(QAccessible::Name), QStringLiteral("Device IP address"));
    QCOMPARE(Interface(F)->text(QAccessible::Name), F->Caption());
    // The flags keep their names: each in its own language.
    QVERIFY(!named(F->Image1) && !named(F->Image2));
    QCOMPARE(Interface(F->Image1)->text(QAccessible::Name), QStringLiteral("Čeština"));
}

void TestAccessibility::flagsWorkFromTheKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Space") << int(Qt::Key_Space);
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void TestAccessibility::flagsWorkFromTheKeyboard()
{
    QFETCH(int, key);
    QVERIFY(QTest::qWaitForWindowActive(F->Widget()));
    F->cmdConnect->SetFocus();
    QTRY_VERIFY(F->cmdConnect->Focused());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(F->Image1->Widget()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(F->Image2->Widget()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(LngFileName, QStringLiteral("english.lng.xml"));
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Connect"));
    // Shift+Tab goes back to the Czech flag, and on to the toggle.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_VERIFY(F->Image1->Widget()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(LngFileName, QStringLiteral("cesky.lng.xml"));
    QCOMPARE(F->cmdConnect->Caption(), QStringLiteral("Připojit"));
    // From the last flag, Tab comes round to the address.
    F->Image2->Widget()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(F->txtIP->Focused());
    // Other keys do nothing, and a mouse click still works but takes no focus.
    F->Image2->Widget()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
    QCOMPARE(LngFileName, QStringLiteral("cesky.lng.xml"));
    F->txtIP->SetFocus();
    QTest::mouseClick(F->Image2->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(LngFileName, QStringLiteral("english.lng.xml"));
    QVERIFY(F->txtIP->Focused());
}

void TestAccessibility::flagShowsItsFocus()
{
    QVERIFY(QTest::qWaitForWindowActive(F->Widget()));
    QWidget* flag = F->Image1->Widget();
    const QImage plain = flag->grab().toImage();
    flag->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(flag->hasFocus());
    const QImage focused = flag->grab().toImage();
    // The frame runs along all four edges; the middle stays the picture.
    const int w = plain.width(), h = plain.height();
    const auto differs = [&](int x, int y) { return plain.pixel(x, y) != focused.pixel(x, y); };
    int top = 0, bottom = 0, left = 0, right = 0;
    for (int x = 0; x < w; ++x) {
        top += differs(x, 0);
        bottom += differs(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
        left += differs(0, y);
        right += differs(w - 1, y);
    }
    QVERIFY(top >= w / 4 && bottom >= w / 4 && left >= h / 4 && right >= h / 4);
    QCOMPARE(plain.copy(2, 2, w - 4, h - 4), focused.copy(2, 2, w - 4, h - 4));
    F->txtIP->SetFocus();
    QTRY_VERIFY(!flag->hasFocus());
    QCOMPARE(flag->grab().toImage(), plain);
}

void TestAccessibility::disabledFieldsStayReadable_data()
{
    QTest::addColumn<QString>("field");
    QTest::newRow("address") << "txtIP";
    QTest::newRow("port") << "sePort";
}

// While connected the fields are disabled: what they show must still read at 4.5:1, taken
// from the palette and from the pixels shown.
void TestAccessibility::disabledFieldsStayReadable()
{
    QFETCH(QString, field);
    auto* control = ComponentCast<TWinControl>(F->FindComponent(field));
    QLineEdit* edit = field == u"txtIP" ? F->txtIP->LineEdit() : F->sePort->LineEdit();
    control->SetEnabled(false);
    const QPalette& pal = edit->palette();
    QVERIFY(ContrastRatio(pal.color(QPalette::Disabled, QPalette::Text),
                          pal.color(QPalette::Disabled, QPalette::Base)) >= 4.5);
    // Still greyed: not the enabled colour.
    QVERIFY(pal.color(QPalette::Disabled, QPalette::Text) !=
            pal.color(QPalette::Active, QPalette::Text));

    edit->deselect();
    const QImage shown = edit->grab().toImage();
    const QColor background = shown.pixelColor(shown.width() / 2, 3);
    double best = 1;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 2; x < shown.width() / 2; ++x)
            best = std::max(best, ContrastRatio(shown.pixelColor(x, y), background));
    QVERIFY2(best >= 4.5, qPrintable(QString::number(best)));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
