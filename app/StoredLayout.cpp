#include "StoredLayout.h"

#include "Button.h"
#include "ComboBox.h"
#include "Edit.h"
#include "Form.h"
#include "GroupBox.h"
#include "IdTCPClient.h"
#include "Image.h"
#include "Label.h"
#include "MessageFormat.h"
#include "Panel.h"
#include "Pictures.h"
#include "Screen.h"
#include "SpinEdit.h"
#include "Timer.h"

#include <QImage>

QVariant Ord(qint64 value)
{
    return QVariant::fromValue(value);
}

QVariant Text(const char16_t* text)
{
    return QVariant(QString::fromUtf16(text));
}

QVariant Set(std::initializer_list<int> ordinals)
{
    quint32 mask = 0;
    for (int o : ordinals)
        mask |= 1u << o;
    return QVariant::fromValue(mask);
}

std::map<QString, const TStoredLayout*>& StoredLayouts()
{
    static std::map<QString, const TStoredLayout*> layouts;
    return layouts;
}

const TStoredLayout& FindStoredLayout(const QString& className)
{
    const auto it = StoredLayouts().find(className.toUpper());
    if (it == StoredLayouts().end())
        throw EResNotFound(Format(QStringLiteral("Resource %s not found"), {className}));
    return *it->second;
}

namespace {
using Factory = std::function<TComponent*(TComponent*)>;

template <class T> Factory Make()
{
    return [](TComponent* owner) { return new T(owner); };
}

TComponent* CreateComponent(const char* className, TComponent* owner)
{
    static const std::map<QString, Factory> factories{
        {QStringLiteral("TGroupBox"), Make<TGroupBox>()},
        {QStringLiteral("TLabel"), Make<TLabel>()},
        {QStringLiteral("TImage"), Make<TImage>()},
        {QStringLiteral("TEdit"), Make<TEdit>()},
        {QStringLiteral("TSpinEdit"), Make<TSpinEdit>()},
        {QStringLiteral("TButton"), Make<TButton>()},
        {QStringLiteral("TPanel"), Make<TPanel>()},
        {QStringLiteral("TComboBox"), Make<TComboBox>()},
        {QStringLiteral("TTimer"), Make<TTimer>()},
        {QStringLiteral("TIdTCPClient"), Make<TIdTCPClient>()},
    };
    const auto it = factories.find(QString::fromLatin1(className));
    if (it == factories.end())
        throw EClassNotFound(
            Format(QStringLiteral("Class %s not found"), {QString::fromLatin1(className)}));
    return it->second(owner);
}

[[noreturn]] void Missing(const char* what, const char* name)
{
    throw EReadError(Format(QStringLiteral("Error reading %s: %s"),
                            {QString::fromLatin1(what), QString::fromLatin1(name)}));
}

void AssignValues(TComponent& c, const TStoredComponent& stored)
{
    for (const TStoredProperty& p : stored.Properties) {
        const TPropInfo* info = c.ClassInfo().FindProperty(QString::fromLatin1(p.Name));
        if (!info || !info->Write)
            Missing("property", p.Name);
        info->Write(c, p.Value);
    }
    if (auto* control = ComponentCast<TControl>(&c)) {
        if (stored.Font)
            control->SetFont(*stored.Font);
        if (stored.Picture)
            if (auto* image = ComponentCast<TImage>(&c))
                image->SetPicture(ReadBmpPicture(QString::fromLatin1(stored.Picture)));
    }
}

// One lookup in the component's published-property table finds the event and how to bind it.
void BindEvent(TComponent& c, const QString& event, const QString& handler,
               const THandlerTable& handlers)
{
    const auto it = handlers.find(handler);
    if (it == handlers.end())
        Missing("method", handler.toLatin1().constData());
    const TPropInfo* info = c.ClassInfo().FindProperty(event);
    if (!info || !info->Bind)
        Missing("event", event.toLatin1().constData());
    if (!info->Bind(c, it->second))
        Missing("method", handler.toLatin1().constData());
}
} // namespace

void ReadStoredLayout(TForm& form, const TStoredLayout& layout, const THandlerTable& handlers)
{
    form.SetLoading(true);
    form.SetName(QString::fromLatin1(layout.Window.Name));
    AssignValues(form, layout.Window);

    std::vector<std::pair<TComponent*, const TStoredComponent*>> created;
    for (const TStoredComponent& stored : layout.Components) {
        TComponent* c = CreateComponent(stored.ClassName, &form);
        c->SetLoading(true);
        c->SetName(QString::fromLatin1(stored.Name));
        if (stored.Parent) {
            auto* control = ComponentCast<TControl>(c);
            TWinControl* parent = *stored.Parent ? ComponentCast<TWinControl>(form.FindComponent(
                                                       QString::fromLatin1(stored.Parent)))
                                                 : &form;
            if (!control || !parent)
                Missing("parent", stored.Name);
            control->SetParent(parent);
        }
        AssignValues(*c, stored);
        created.emplace_back(c, &stored);
    }

    // Handlers are bound once every value is in place, so no change event reaches them.
    for (const auto& [event, handler] : layout.Window.Events)
        BindEvent(form, QString::fromLatin1(event), QString::fromLatin1(handler), handlers);
    for (const auto& [c, stored] : created)
        for (const auto& [event, handler] : stored->Events)
            BindEvent(*c, QString::fromLatin1(event), QString::fromLatin1(handler), handlers);

    for (const auto& [c, stored] : created) {
        c->SetLoading(false);
        c->Loaded();
    }
    form.SetLoading(false);
    form.ScaleToScreen(Screen ? Screen->PixelsPerInch() : 96);
}
