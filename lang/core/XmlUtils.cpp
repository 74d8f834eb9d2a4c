#include "XmlUtils.h"

#include "XmlDocument.h"

QVariant GetAttributeDef(const TXmlNode* node, const QString& name, const QVariant& def)
{
    if (node)
        if (const TXmlAttribute* attribute = node->FindAttribute(name))
            return QVariant(attribute->Value);
    return def;
}
