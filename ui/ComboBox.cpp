#include "ComboBox.h"

#include "Application.h"

#include <QComboBox>
#include <QLineEdit>

const TClassInfo& TComboBox::StaticClassInfo()
{
    using C = TComboBox;
    static const TClassInfo info{
        "TComboBox",
        &TWinControl::StaticClassInfo(),
        {
            Published<C>("Text", &TypeInfos::TCaption, &C::GetText, &C::SetText),
            Published<C>("ItemIndex", &TypeInfos::Integer, &C::ItemIndex, &C::SetItemIndex),
            Published<C>("DropDownCount", &TypeInfos::Integer, &C::DropDownCount,
                         &C::SetDropDownCount),
            // FIXME: accepted and ignored, the items are not sorted (nothing fills the list).
            Published<C>("Sorted", &TypeInfos::Boolean, &C::Sorted, &C::SetSorted),
            PublishedOnly("Items", &TypeInfos::TStrings),
            PublishedEvent<C>("OnChange", &TypeInfos::TNotifyEvent, &C::OnChange),
        }};
    return info;
}

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner, new QComboBox)
{
    Box()->setEditable(true);
    Box()->setInsertPolicy(QComboBox::NoInsert);
    QObject::connect(Box(), &QComboBox::editTextChanged, [this] { FireEvent(OnChange, this); });
    SetTabStop(true);
}

QComboBox* TComboBox::Box() const
{
    return static_cast<QComboBox*>(Widget());
}

QStringList TComboBox::Items() const
{
    QStringList items;
    for (int i = 0; i < Box()->count(); ++i)
        items.append(Box()->itemText(i));
    return items;
}

void TComboBox::AddItem(const QString& item)
{
    Box()->addItem(item);
    if (Box()->count() == 1) {
        // Adding to an empty list selects nothing, as the list box of the platform does.
        Box()->setCurrentIndex(-1);
    }
}

void TComboBox::Clear()
{
    Box()->clear();
    Box()->setCurrentIndex(-1);
    Box()->setEditText(QString());
}

int TComboBox::ItemIndex() const
{
    return Box()->currentIndex();
}

void TComboBox::SetItemIndex(int index)
{
    Box()->setCurrentIndex(index);
}

QString TComboBox::GetText() const
{
    return Box()->currentText();
}

void TComboBox::SetText(const QString& text)
{
    Box()->setEditText(text);
}

void TComboBox::SetDropDownCount(int count)
{
    FDropDownCount = count;
    Box()->setMaxVisibleItems(count);
}
