#pragma once

#include <QString>
#include <QVariant>

class TXmlNode;

// The value of the node's attribute of exactly that name as a text (an empty value
// included), or the default when there is no node or no such attribute.
QVariant GetAttributeDef(const TXmlNode* node, const QString& name, const QVariant& def);
