#include "Language.h"

#include "Application.h"
#include "ComboBox.h"
#include "Dialogs.h"
#include "MessageFormat.h"
#include "ProgramDirectory.h"
#include "SetPropertyByName.h"
#include "WinControl.h"
#include "XmlUtils.h"

#include <QFileInfo>

TLanguage* Language = nullptr;

TLanguage::TLanguage() = default;
TLanguage::~TLanguage() = default;

void TLanguage::LoadLanguage(const QString& fileName)
{
    QString path = fileName;
    if (path.startsWith(u'\\'))
        path = ProgramDirectory() + path.mid(1);
    // Only a regular file counts: a directory, a device or a pipe is reported as missing.
    if (!QFileInfo(path).isFile()) {
        ShowMessage(Format(QStringLiteral("Soubor s překladem:\"%s\" nenalezen!"), {path}));
        return;
    }
    // Held locally as well: a property setter that loads another language while this one is
    // being applied must not pull the tree away under the walk.
    const std::shared_ptr<const TXmlDocument> document = TXmlDocument::LoadFromFile(path);
    FDocument = document;
    for (const TXmlNode& child : document->DocumentElement().ChildNodes())
        if (child.NodeName() == QLatin1String("forms"))
            ApplyForms(&child);
}

QString TLanguage::GetConstText(const QString& key, const QString& def) const
{
    const TXmlNode* keyNode = nullptr;
    if (FDocument) {
        for (const TXmlNode& child : FDocument->DocumentElement().ChildNodes())
            if (child.NodeName() == QLatin1String("const")) {
                keyNode = child.FindChild(key);
                break;
            }
    }
    return GetAttributeDef(keyNode, QStringLiteral("text"), def).toString();
}

void TLanguage::ApplyForms(const TXmlNode* forms)
{
    if (!forms || !Application)
        return;
    for (const TXmlNode& child : forms->ChildNodes()) {
        for (int i = 0; i < Application->ComponentCount(); ++i) {
            TComponent* window = Application->Components(i);
            if (window->Name() == child.NodeName()) {
                ApplyToControl(ComponentCast<TControl>(window), &child);
                break;
            }
        }
    }
}

void TLanguage::ApplyToControl(TControl* control, const TXmlNode* node)
{
    if (!control || !node)
        return;
    if (auto* combo = ComponentCast<TComboBox>(control))
        FillComboItems(combo, node);
    for (const TXmlAttribute& attribute : node->Attributes())
        SetPropertyByName(control, attribute.Name,
                          attribute.Value.isEmpty() ? QVariant() : QVariant(attribute.Value));
    if (auto* parent = ComponentCast<TWinControl>(control))
        for (const TXmlNode& child : node->ChildNodes())
            ApplyToControl(FindChildControl(parent, child.NodeName()), &child);
}

void TLanguage::FillComboItems(TComboBox* combo, const TXmlNode* node)
{
    if (!combo || !node)
        return;
    const TXmlNode* items = node->FindChild(QStringLiteral("items"));
    if (!items)
        return;
    combo->Clear();
    for (const TXmlNode& item : items->ChildNodes())
        if (item.NodeName() == QLatin1String("item"))
            combo->AddItem(GetAttributeDef(&item, QStringLiteral("value"),
                                           QStringLiteral("<Error In Lng File>"))
                               .toString());
}

TControl* FindChildControl(TWinControl* parent, const QString& name)
{
    if (!parent)
        return nullptr;
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (parent->Controls(i)->Name() == name)
            return parent->Controls(i);
    return nullptr;
}

void InitLanguageUnit()
{
    if (!Language)
        Language = new TLanguage;
}

void FinalizeLanguageUnit()
{
    delete Language;
    Language = nullptr;
}
