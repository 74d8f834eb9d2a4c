#include "XmlDocument.h"
#include "MessageFormat.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The text of one line of the source (1-based), decoded as the reader decoded it.
QString SourceLine(const QByteArray& data, const QString& encoding, qint64 lineNumber)
{
    const QByteArray declared = encoding.toLatin1();
    QStringDecoder decoder(declared.isEmpty() ? "UTF-8" : declared.constData());
    QString text;
    if (decoder.isValid()) {
        text = decoder.decode(data);
    } else {
        QStringDecoder fallback(
            QStringConverter::encodingForData(data).value_or(QStringConverter::Utf8));
        text = fallback.decode(data);
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text.section(u'\n', static_cast<int>(lineNumber - 1), static_cast<int>(lineNumber - 1));
}

// The reader decodes ahead of the position it reports, so a byte that the encoding does not
// allow is found here: the first line (counted by LF) that does not decode, or 0.
qint64 FirstBadlyEncodedLine(const QByteArray& data, const QString& encoding)
{
    const QByteArray declared = encoding.isEmpty() ? QByteArray("UTF-8") : encoding.toLatin1();
    qint64 line = 1;
    for (qsizetype start = 0; start <= data.size(); ++line) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        QStringDecoder decoder(declared.constData());
        if (!decoder.isValid())
            return 0;
        // The decoded text is taken, or the lazy conversion would not run at all.
        const QString text = decoder.decode(QByteArrayView(data).sliced(start, end - start));
        if (decoder.hasError())
            return line;
        start = end + 1;
    }
    return 0;
}

// The first n characters of a text; a surrogate pair counts as one character.
QString FirstCharacters(const QString& text, qsizetype n)
{
    qsizetype end = 0;
    for (; end < text.size() && n > 0; --n)
        end += text.at(end).isHighSurrogate() && end + 1 < text.size() &&
                       text.at(end + 1).isLowSurrogate()
                   ? 2
                   : 1;
    return text.left(end);
}

[[noreturn]] void RaiseParseError(const QByteArray& data, const QString& encoding, QString reason,
                                  qint64 lineNumber)
{
    // The reason is one line: the reader quotes parts of the document in it (an encoding
    // name, say), and a line break there would break the report's form.
    reason.replace(u'\r', u' ').replace(u'\n', u' ');
    throw EXmlParseError(reason + QLatin1String("\r\nLine: ") + QString::number(lineNumber) +
                         QLatin1String("\r\n") +
                         FirstCharacters(SourceLine(data, encoding, lineNumber), 40));
}

// The encoding that the XML declaration names, read before the reader runs; empty when none.
QString DeclaredEncoding(const QByteArray& data)
{
    static const QRegularExpression declaration(
        QStringLiteral("^\\s*<\\?xml[^>]*?encoding\\s*=\\s*[\"']([A-Za-z0-9._-]+)[\"']"));
    return declaration.match(QString::fromLatin1(data.left(256))).captured(1);
}

// The line of the first start tag with more than the given number of attributes, or 0. The
// scan works on the bytes: markup characters are ASCII in every encoding a language file
// uses. Comments, CDATA sections, processing instructions and the document type declaration
// are skipped; entity references are bounded by the expansion limits instead.
qint64 FirstCrowdedTagLine(const QByteArray& data, int most)
{
    const qsizetype n = data.size();
    qint64 line = 1;
    qsizetype i = 0;
    // Moves i to just past the given terminator, counting lines.
    const auto skipPast = [&](const char* end) {
        const qsizetype at = data.indexOf(end, i);
        const qsizetype stop = at < 0 ? n : at + qsizetype(std::strlen(end));
        line += std::count(data.constBegin() + i, data.constBegin() + stop, '\n');
        i = stop;
    };
    while (i < n) {
        const char c = data[i];
        if (c == '\n')
            ++line;
        if (c != '<') {
            ++i;
            continue;
        }
        const QByteArrayView rest = QByteArrayView(data).sliced(i);
        if (rest.startsWith("<!--")) {
            skipPast("-->");
        } else if (rest.startsWith("<![CDATA[")) {
            skipPast("]]>");
        } else if (rest.startsWith("<?")) {
            skipPast("?>");
        } else if (rest.startsWith("<!")) {
            // A declaration, with an internal subset in brackets and quoted literals.
            int depth = 0;
            for (++i; i < n; ++i) {
                const char d = data[i];
                if (d == '\n')
                    ++line;
                if (d == '"' || d == '\'') {
                    ++i;
                    skipPast(d == '"' ? "\"" : "'");
                    --i;
                } else if (QByteArrayView(data).sliced(i).startsWith("<!--")) {
                    skipPast("-->");
                    --i;
                } else if (d == '[') {
                    ++depth;
                } else if (d == ']') {
                    --depth;
                } else if (d == '>' && depth <= 0) {
                    ++i;
                    break;
                }
            }
        } else {
            const qint64 tagLine = line;
            int attributes = 0;
            char quote = 0;
            for (++i; i < n; ++i) {
                const char d = data[i];
                if (d == '\n')
                    ++line;
                if (quote) {
                    if (d == quote)
                        quote = 0;
                } else if (d == '"' || d == '\'') {
                    quote = d;
                } else if (d == '=') {
                    if (++attributes > most)
                        return tagLine;
                } else if (d == '>') {
                    ++i;
                    break;
                }
            }
        }
    }
    return 0;
}

[[noreturn]] void RaiseFileError(const QString& path, const QString& reason)
{
    throw EInOutError(Format(QStringLiteral("Cannot read file \"%s\": %s"), {path, reason}));
}

} // namespace

QString TXmlNode::LocalName() const
{
    const qsizetype colon = FName.indexOf(u':');
    return colon < 0 ? FName : FName.mid(colon + 1);
}

const TXmlAttribute* TXmlNode::FindAttribute(const QString& name) const
{
    for (const TXmlAttribute& a : FAttributes)
        if (a.Name == name)
            return &a;
    return nullptr;
}

const TXmlNode* TXmlNode::FindChild(const QString& name) const
{
    for (const TXmlNode& child : FChildren)
        if (child.FName == name || child.LocalName() == name)
            return &child;
    return nullptr;
}

std::shared_ptr<const TXmlDocument> TXmlDocument::Parse(const QByteArray& data)
{
    if (data.size() > MaxFileSize)
        RaiseParseError(data, QString(), QStringLiteral("The document is too large."), 1);
    if (const qint64 line = FirstCrowdedTagLine(data, MaxAttributes); line > 0)
        RaiseParseError(
            data, DeclaredEncoding(data),
            QStringLiteral("An element has more than %1 attributes.").arg(MaxAttributes), line);
    auto doc = std::make_shared<TXmlDocument>();
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    // The reader bounds each reference's expansion, not their sum; a small file that repeats
    // one large entity could still expand to gigabytes. Every reference starts with "&", so
    // the per-reference bound is shared out among them.
    const qint64 references = std::max<qint64>(1, data.count('&'));
    reader.setEntityExpansionLimit(
        static_cast<int>(std::clamp<qint64>(MaxExpandedText / references, 1, MaxEntityExpansion)));
    QString encoding;
    // Open elements, innermost last. A pointer stays valid while its element is open: only
    // the innermost element's child list grows.
    std::vector<TXmlNode*> open;
    bool haveRoot = false;

    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument:
            encoding = reader.documentEncoding().toString();
            break;
        case QXmlStreamReader::StartElement: {
            if (open.size() >= static_cast<size_t>(MaxDepth))
                RaiseParseError(data, encoding, QStringLiteral("Elements are nested too deeply."),
                                reader.lineNumber());
            TXmlNode* node = &doc->FRoot;
            if (!open.empty()) {
                open.back()->FChildren.emplace_back();
                node = &open.back()->FChildren.back();
            }
            haveRoot = true;
            node->FName = reader.qualifiedName().toString();
            const QXmlStreamAttributes attributes = reader.attributes();
            node->FAttributes.reserve(attributes.size());
            for (const QXmlStreamAttribute& a : attributes)
                node->FAttributes.append({a.qualifiedName().toString(), a.value().toString()});
            open.push_back(node);
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        qint64 line = reader.lineNumber();
        if (reader.errorString().contains(QLatin1String("incorrectly encoded")))
            if (const qint64 bad = FirstBadlyEncodedLine(data, encoding); bad > 0)
                line = bad;
        RaiseParseError(data, encoding, reader.errorString(), line);
    }
    if (!haveRoot)
        RaiseParseError(data, encoding, QStringLiteral("No document element."),
                        reader.lineNumber());
    return doc;
}

std::shared_ptr<const TXmlDocument> TXmlDocument::LoadFromFile(const QString& path)
{
    // Non-blocking open: a pipe without a writer must not hold the program up; it is
    // refused below like any other file that is not a regular one.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        RaiseFileError(path, QString::fromLocal8Bit(std::strerror(errno)));
    QByteArray data;
    QString failure;
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        failure = QString::fromLocal8Bit(std::strerror(errno));
    else if (!S_ISREG(st.st_mode))
        failure = QStringLiteral("not a regular file");
    else if (st.st_size > MaxFileSize)
        failure = QStringLiteral("file too large");
    else {
        data.resize(st.st_size);
        qint64 done = 0;
        while (done < data.size()) {
            const ssize_t n =
                ::read(fd, data.data() + done, static_cast<size_t>(data.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                failure = QString::fromLocal8Bit(std::strerror(errno));
                break;
            }
            if (n == 0) // the file shrank while being read
                break;
            done += n;
        }
        data.truncate(done);
    }
    ::close(fd);
    if (!failure.isEmpty())
        RaiseFileError(path, failure);
    return Parse(data);
}
