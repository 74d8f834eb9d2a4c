#include "Edit.h"

#include "Application.h"
#include "AutoSelectEdit.h"
#include "ReadableDisabledText.h"

#include <QLineEdit>
#include <limits>

const TClassInfo& TEdit::StaticClassInfo()
{
    using C = TEdit;
    static const TClassInfo info{
        "TEdit",
        &TWinControl::StaticClassInfo(),
        {
            Published<C>("Text", &TypeInfos::TCaption, &C::GetText, &C::SetText),
            Published<C>("MaxLength", &TypeInfos::Integer, &C::MaxLength, &C::SetMaxLength),
            Published<C>("ReadOnly", &TypeInfos::Boolean, &C::ReadOnly, &C::SetReadOnly),
            Published<C>("PasswordChar", &TypeInfos::AnsiChar, &C::PasswordChar,
                         &C::SetPasswordChar),
            Published<C>("AutoSelect", &TypeInfos::Boolean, &C::AutoSelect, &C::SetAutoSelect),
            PublishedEvent<C>("OnChange", &TypeInfos::TNotifyEvent, &C::OnChange),
        }};
    return info;
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner, new TAutoSelectEdit)
{
    QObject::connect(LineEdit(), &QLineEdit::textChanged, [this] { FireEvent(OnChange, this); });
    SetMaxLength(0);
    SetTabStop(true);
    KeepDisabledTextReadable(LineEdit());
}

QLineEdit* TEdit::LineEdit() const
{
    return static_cast<QLineEdit*>(Widget());
}

QString TEdit::GetText() const
{
    return Widget() ? LineEdit()->text() : QString();
}

void TEdit::SetText(const QString& text)
{
    if (Widget())
        LineEdit()->setText(text);
}

void TEdit::SetMaxLength(int length)
{
    FMaxLength = length;
    if (Widget())
        LineEdit()->setMaxLength(length > 0 ? length : std::numeric_limits<int>::max());
}

bool TEdit::ReadOnly() const
{
    return Widget() && LineEdit()->isReadOnly();
}

void TEdit::SetReadOnly(bool readOnly)
{
    if (Widget())
        LineEdit()->setReadOnly(readOnly);
}

bool TEdit::AutoSelect() const
{
    return Widget() && static_cast<TAutoSelectEdit*>(Widget())->AutoSelect;
}

void TEdit::SetAutoSelect(bool autoSelect)
{
    if (Widget())
        static_cast<TAutoSelectEdit*>(Widget())->AutoSelect = autoSelect;
}

void TEdit::SetPasswordChar(int ch)
{
    FPasswordChar = ch;
    if (Widget())
        LineEdit()->setEchoMode(ch ? QLineEdit::Password : QLineEdit::Normal);
}
