#include "SpinEdit.h"

#include "Accessibility.h"
#include "Application.h"
#include "AutoSelectEdit.h"
#include "ReadableDisabledText.h"

#include <QAccessible>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <algorithm>
#include <limits>

const TClassInfo& TSpinEdit::StaticClassInfo()
{
    using C = TSpinEdit;
    static const TClassInfo info{
        "TSpinEdit",
        &TWinControl::StaticClassInfo(),
        {
            Published<C>("Value", &TypeInfos::Integer, &C::Value, &C::SetValue),
            Published<C>("MinValue", &TypeInfos::Integer, &C::MinValue, &C::SetMinValue),
            Published<C>("MaxValue", &TypeInfos::Integer, &C::MaxValue, &C::SetMaxValue),
            Published<C>("Increment", &TypeInfos::Integer, &C::Increment, &C::SetIncrement),
            Published<C>("EditorEnabled", &TypeInfos::Boolean, &C::EditorEnabled,
                         &C::SetEditorEnabled),
            PublishedEvent<C>("OnChange", &TypeInfos::TNotifyEvent, &C::OnChange),
        }};
    return info;
}

// Filters typed characters, steps on the arrow keys and clamps when the focus leaves.
class SpinEditFilter : public QObject {
public:
    explicit SpinEditFilter(TSpinEdit* spin) : FSpin(spin) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut) {
            GuardedCall([this] { FSpin->Exit(); });
        } else if (event->type() == QEvent::FocusIn) {
            // A screen reader follows the spin button, not the edit inside it.
            QAccessibleEvent focus(FSpin->Widget(), QAccessible::Focus);
            Announce(focus);
        } else if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                GuardedCall(
                    [&] { key->key() == Qt::Key_Up ? FSpin->UpClick() : FSpin->DownClick(); });
                return true;
            }
            // Ctrl with a letter types a control character (Ctrl+V is 22), which passes: a
            // paste is not filtered.
            const bool control =
                (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == Qt::ControlModifier;
            const QString text = key->text();
            if (!control && !text.isEmpty() && !TSpinEdit::IsValidChar(text[0])) {
                QApplication::beep();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    TSpinEdit* FSpin;
};

TSpinEdit::TSpinEdit(TComponent* owner) : TWinControl(owner, new QWidget)
{
    FEdit = new TAutoSelectEdit(Widget());
    FUp = new QToolButton(Widget());
    FDown = new QToolButton(Widget());
    for (QToolButton* b : {FUp, FDown}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(400);
        b->setAutoRepeatInterval(100);
        b->setFocusPolicy(Qt::NoFocus);
    }
    FUp->setArrowType(Qt::UpArrow);
    FDown->setArrowType(Qt::DownArrow);
    Widget()->setFocusProxy(FEdit);
    FFilter = new SpinEditFilter(this);
    FEdit->installEventFilter(FFilter);
    QObject::connect(FUp, &QToolButton::clicked, [this] { GuardedCall([this] { UpClick(); }); });
    QObject::connect(FDown, &QToolButton::clicked,
                     [this] { GuardedCall([this] { DownClick(); }); });
    QObject::connect(FEdit, &QLineEdit::textChanged, [this] {
        AnnounceValue();
        FireEvent(OnChange, this);
    });
    FEdit->setText(QStringLiteral("0"));
    SetTabStop(true);
    KeepDisabledTextReadable(FEdit);
}

TSpinEdit::~TSpinEdit()
{
    // The edit may still see a focus change while its window goes; by then this object is
    // gone, so the filter goes first.
    delete FFilter;
}

bool ReadWholeNumber(const QString& text, int& value)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool ok = false;
    const qlonglong n = QStringView(text).mid(i).toLongLong(&ok, 10);
    if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(n);
    return true;
}

int TSpinEdit::Value() const
{
    int value = 0;
    return ReadWholeNumber(FEdit->text(), value) ? value : FMinValue;
}

void TSpinEdit::SetValue(int value)
{
    FEdit->setText(QString::number(CheckValue(value)));
}

int TSpinEdit::CheckValue(int value) const
{
    if (FMaxValue != FMinValue) {
        if (value < FMinValue)
            return FMinValue;
        if (value > FMaxValue)
            return FMaxValue;
    }
    return value;
}

bool TSpinEdit::IsValidChar(QChar ch)
{
    if (ch.isDigit() && ch.unicode() < 128)
        return true;
    if (ch == u'+' || ch == u'-' || ch == QLocale::system().decimalPoint())
        return true;
    return ch.unicode() < 32 && ch != u'\r';
}

// A step is worked out in 64 bits and bounded to the int range before SetValue bounds it to
// MinValue..MaxValue, so that no value or increment overflows.
void TSpinEdit::Step(qint64 delta)
{
    if (FEdit->isReadOnly()) {
        QApplication::beep();
        return;
    }
    const qint64 value = std::clamp<qint64>(
        qint64(Value()) + delta, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    SetValue(static_cast<int>(value));
}

void TSpinEdit::UpClick()
{
    Step(FIncrement);
}

void TSpinEdit::DownClick()
{
    Step(-qint64(FIncrement));
}

// A screen reader hears the spin button's value change (the edit inside is not its object).
void TSpinEdit::AnnounceValue()
{
    if (!Widget() || !AccessibilityListening())
        return;
    QAccessibleValueChangeEvent event(Widget(), Value());
    Announce(event);
}

void TSpinEdit::Exit()
{
    if (CheckValue(Value()) != Value())
        SetValue(Value());
}

void TSpinEdit::SetEditorEnabled(bool enabled)
{
    FEditorEnabled = enabled;
    FEdit->setReadOnly(!enabled);
}

QString TSpinEdit::GetText() const
{
    return FEdit->text();
}

void TSpinEdit::SetText(const QString& text)
{
    FEdit->setText(text);
}

void TSpinEdit::SetBounds(int left, int top, int width, int height)
{
    TWinControl::SetBounds(left, top, width, height);
    // The bounds as stored, which are clamped.
    const int w = Width();
    const int h = Height();
    const int buttonWidth = 15;
    const int half = h / 2;
    FEdit->setGeometry(0, 0, std::max(0, w - buttonWidth), h);
    FUp->setGeometry(w - buttonWidth, 0, buttonWidth, half);
    FDown->setGeometry(w - buttonWidth, half, buttonWidth, h - half);
}
