#pragma once

#include "Exception.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

// A document that is not well formed, or that exceeds the reader's bounds. The message is
// the reason, CR LF, "Line: " and the line number, CR LF, and the start of that line.
DECLARE_EXCEPTION(EXmlParseError, Exception)

struct TXmlAttribute {
    QString Name;
    QString Value;
};

// One element of a read document: its name, its attributes in document order and its child
// elements in document order. Text, comments and processing instructions carry nothing a
// language file uses and are not kept.
class TXmlNode {
public:
    const QString& NodeName() const { return FName; }
    // The name after a namespace prefix ("items" for "x:items"); the whole name without one.
    QString LocalName() const;
    const QList<TXmlAttribute>& Attributes() const { return FAttributes; }
    // The attribute of exactly that name, or nullptr.
    const TXmlAttribute* FindAttribute(const QString& name) const;
    const std::vector<TXmlNode>& ChildNodes() const { return FChildren; }
    // First child whose name or local name equals the given name, or nullptr.
    const TXmlNode* FindChild(const QString& name) const;

private:
    friend class TXmlDocument;
    QString FName;
    QList<TXmlAttribute> FAttributes;
    std::vector<TXmlNode> FChildren;
};

// A read-only XML document. Reading never resolves external entities or DTDs, never
// validates, bounds entity expansion, nesting depth and file size, and decodes the text in
// the encoding that the XML declaration names (UTF-8 when there is none).
class TXmlDocument {
public:
    // Language files are a few kilobytes. The bounds keep the worst document that passes
    // them well under a second to read: the toolkit's reader compares each attribute of an
    // element with all earlier ones, so the attributes per element are bounded too.
    static constexpr qint64 MaxFileSize = qint64{256} * 1024;
    static constexpr int MaxDepth = 256;
    static constexpr int MaxAttributes = 64;
    static constexpr int MaxEntityExpansion = 4096;
    // Bound on the characters that all entity references of a document may expand to.
    static constexpr qint64 MaxExpandedText = qint64{256} * 1024;

    // Raises EXmlParseError, also for data larger than MaxFileSize.
    static std::shared_ptr<const TXmlDocument> Parse(const QByteArray& data);
    // Reads a regular file; raises EInOutError when it cannot be read, is no regular file
    // or is larger than MaxFileSize, and EXmlParseError when it does not parse.
    static std::shared_ptr<const TXmlDocument> LoadFromFile(const QString& path);

    const TXmlNode& DocumentElement() const { return FRoot; }

private:
    TXmlNode FRoot;
};
