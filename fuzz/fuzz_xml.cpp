// The XML reader: any input either reads within the bounds or fails with a parse error of the
// one format (reason, CR LF, "Line: n", CR LF, at most 40 characters of that line). Nothing
// else may escape.
#include "FuzzCheck.h"
#include "XmlDocument.h"

#include <QRegularExpression>
#include <cstdint>

namespace {
void CheckTree(const TXmlNode& node, int depth)
{
    Require(depth <= TXmlDocument::MaxDepth, "nesting within the bound");
    Require(node.Attributes().size() <= TXmlDocument::MaxAttributes,
            "attributes per element within the bound");
    for (const TXmlNode& child : node.ChildNodes())
        CheckTree(child, depth + 1);
}

qsizetype Characters(const QString& text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++n)
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    return n;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const QByteArray data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    try {
        const auto doc = TXmlDocument::Parse(data);
        CheckTree(doc->DocumentElement(), 1);
    } catch (const EXmlParseError& e) {
        static const QRegularExpression format(
            QStringLiteral(
                "^([^\\r\\n]*(?:\\r?\\n[^\\r\\n]*)*?)\\r\\nLine: ([1-9][0-9]*)\\r\\n([^\\r\\n]*)$"),
            QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch m = format.match(e.Message());
        Require(m.hasMatch(), "a parse error has the reason, the line and its text", e.Message());
        Require(!m.captured(1).isEmpty(), "a parse error has a reason", e.Message());
        Require(Characters(m.captured(3)) <= 40, "at most 40 characters of the line", e.Message());
        const qint64 lines = data.count('\n') + data.count('\r') + 1;
        Require(m.captured(2).toLongLong() <= lines, "the line number lies in the document",
                e.Message());
    }
    return 0;
}
