#include "LoopbackPeer.h"
#include "XmlDocument.h"

#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString ParseError(const QByteArray& data)
{
    try {
        TXmlDocument::Parse(data);
    } catch (const EXmlParseError& e) {
        return e.Message();
    }
    return QStringLiteral("<parsed>");
}

QStringList ChildNames(const TXmlNode& node)
{
    QStringList names;
    for (const TXmlNode& child : node.ChildNodes())
        names << child.NodeName();
    return names;
}

} // namespace

class TestXmlDocument : public QObject {
    Q_OBJECT
private slots:
    void keepsElementsAndAttributesInOrder();
    void reportsMalformed_data();
    void reportsMalformed();
    void boundsAttributesAndSize();
    void resolvesNothingExternal();
    void boundsEntityExpansionAndDepth();
    void readsOnlyRegularFiles();
};

void TestXmlDocument::keepsElementsAndAttributesInOrder()
{
    const auto doc =
        TXmlDocument::Parse("<?xml version=\"1.0\"?>\n<anything>\n  <!-- note --> text <?pi x?>\n"
                            "  <w zeta=\"1\" alpha=\"2\" mid=\"\" Caption=\"a\" caption=\"b\"/>\n"
                            "  <const/><forms/><x:items xmlns:x=\"urn:x\"/>\n</anything>");
    const TXmlNode& root = doc->DocumentElement();
    QCOMPARE(root.NodeName(), QStringLiteral("anything"));
    QCOMPARE(ChildNames(root), QStringList({"w", "const", "forms", "x:items"}));
    QStringList attributes;
    for (const TXmlAttribute& a : root.ChildNodes()[0].Attributes())
        attributes << a.Name + u'=' + a.Value;
    QCOMPARE(attributes, QStringList({"zeta=1", "alpha=2", "mid=", "Caption=a", "caption=b"}));
    QCOMPARE(root.FindChild(QStringLiteral("items")), &root.ChildNodes()[3]);
    QCOMPARE(root.FindChild(QStringLiteral("Forms")), nullptr);
}

void TestXmlDocument::reportsMalformed_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("sourceLine");

    QTest::newRow("tag mismatch, CR LF lines")
        << QByteArray("<?xml version=\"1.0\"?>\r\n<r>\r\n<a></b>\r\n</r>") << 3 << "<a></b>";
    QTest::newRow("long line cut to 40")
        << QByteArray("<r>\n<fZVKTeplomer Caption=\"Ukázka měření teploty na ZVK\" <</r>") << 2
        << QString::fromUtf8("<fZVKTeplomer Caption=\"Ukázka měření tep");
    QTest::newRow("not XML") << QByteArray("hello") << 1 << "hello";
    QTest::newRow("truncated") << QByteArray("<r>\n<a>") << 2 << "<a>";
    QTest::newRow("empty file") << QByteArray() << 1 << "";
    // Windows-1250 bytes in a file that declares no encoding are not UTF-8: an error, not
    // garbled text, reported on the line of the offending byte.
    QTest::newRow("undeclared 8-bit text")
        << QByteArray("<?xml version=\"1.0\"?>\n<r a=\"P\xf8ipojit\"/>") << 2
        << QStringLiteral("<r a=\"P\uFFFDipojit\"/>");
    QTest::newRow("bad byte further down")
        << (QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r>\n") +
            QByteArray("<a/>\n").repeated(300) + "<b c=\"\xff\"/>\n</r>")
        << 303 << QStringLiteral("<b c=\"\uFFFD\"/>");
    QTest::newRow("unknown encoding")
        << QByteArray("<?xml version=\"1.0\" encoding=\"x-none\"?><r/>") << 1
        << "<?xml version=\"1.0\" encoding=\"x-none\"?><";
    // Found by fuzzing: the reason quoted the encoding name with its CR.
    QTest::newRow("line break in the encoding name")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF\r8\"?>\n<r/>") << 2 << "8\"?>";
    QTest::newRow("undeclared entity")
        << QByteArray("<r>\n\n<a>&zz;</a></r>") << 3 << "<a>&zz;</a></r>";
    // Forty characters, not forty UTF-16 units: each emoji is one character of two units.
    QTest::newRow("characters beyond the basic plane")
        << (QByteArray("<r>\n<a b=\"") + QByteArray("\xf0\x9f\x98\x80").repeated(50) + "\" <</r>")
        << 2 << QStringLiteral("<a b=\"") + QString::fromUtf8("\xf0\x9f\x98\x80").repeated(34);
    QByteArray crowded = "<r>\n<a";
    for (int i = 0; i <= TXmlDocument::MaxAttributes; ++i)
        crowded += " a" + QByteArray::number(i) + "=''";
    QTest::newRow("too many attributes on one element")
        << crowded + "/>\n</r>" << 2 << QString::fromLatin1(crowded.mid(4, 40));
    QTest::newRow("crowded element after markup that looks like one")
        << "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<!-- <x a=1 b=2> -->\n"
           "<r><![CDATA[<y c=\"3\">]]>\n" +
               crowded.mid(4) + "/></r>"
        << 4 << QString::fromLatin1(crowded.mid(4, 40));
}

void TestXmlDocument::reportsMalformed()
{
    QFETCH(QByteArray, data);
    QFETCH(int, line);
    QFETCH(QString, sourceLine);

    const QStringList parts = ParseError(data).split(QStringLiteral("\r\n"));
    QCOMPARE(parts.size(), 3);
    QVERIFY2(!parts[0].isEmpty() && !parts[0].contains(u'\n'), qPrintable(parts[0]));
    QCOMPARE(parts[1], QStringLiteral("Line: %1").arg(line));
    QCOMPARE(parts[2], sourceLine);
}

void TestXmlDocument::boundsAttributesAndSize()
{
    QByteArray attributes;
    for (int i = 0; i < TXmlDocument::MaxAttributes; ++i)
        attributes += " a" + QByteArray::number(i) + "=\"x=y\"";
    // Equals signs inside values, comments and a document type declaration are no attributes.
    const QByteArray fits =
        "<!DOCTYPE r [<!ENTITY e \"<q a='1' b='2'>\">]>\n<!-- = = = -->\n<r" + attributes + "/>";
    QCOMPARE(TXmlDocument::Parse(fits)->DocumentElement().Attributes().size(),
             TXmlDocument::MaxAttributes);

    const QByteArray large = "<r>" + QByteArray(TXmlDocument::MaxFileSize, ' ') + "</r>";
    QVERIFY(ParseError(large).startsWith(QStringLiteral("The document is too large.\r\nLine: 1")));
}

void TestXmlDocument::resolvesNothingExternal()
{
    QTemporaryDir dir;
    QFile secret(dir.filePath(QStringLiteral("secret.txt")));
    QVERIFY(secret.open(QIODevice::WriteOnly));
    secret.write("SECRET");
    secret.close();
    // A loopback listener that the parser would reach if it fetched anything from it.
    LoopbackListener trap;
    QVERIFY(trap.Port() > 0);
    const QByteArray url = "http://127.0.0.1:" + QByteArray::number(trap.Port()) + "/x";
    const QByteArray file = "file://" + QFile::encodeName(secret.fileName());

    // External DTD and external entities in content: skipped, never read or fetched.
    const auto doc = TXmlDocument::Parse(
        "<?xml version=\"1.0\"?><!DOCTYPE r SYSTEM \"" + url + ".dtd\" [<!ENTITY s SYSTEM \"" +
        file + "\"><!ENTITY n SYSTEM \"" + url + "\">]><r>&s;&n;<a v=\"1\"/></r>");
    QCOMPARE(ChildNames(doc->DocumentElement()), QStringList({"a"}));
    // In an attribute value an external entity is an error, not a read.
    const QString message =
        ParseError("<!DOCTYPE r [<!ENTITY s SYSTEM \"" + file + "\">]><r a=\"&s;\"/>");
    QVERIFY2(message.contains(QStringLiteral("external entity")), qPrintable(message));
    QVERIFY(!message.contains(QStringLiteral("SECRET")));
    QCOMPARE(trap.Accept(0), -1);
}

void TestXmlDocument::boundsEntityExpansionAndDepth()
{
    QByteArray bomb = "<!DOCTYPE r [<!ENTITY a \"" + QByteArray(100, 'a') + "\">";
    const char* previous = "a";
    for (const char* e : {"b", "c", "d", "e"}) {
        bomb += QByteArray("<!ENTITY ") + e + " \"" +
                QByteArray("&").append(previous).append(';').repeated(10) + "\">";
        previous = e;
    }
    bomb += "]><r a=\"&e;\">&e;</r>";
    QVERIFY(ParseError(bomb).contains(QStringLiteral("expansion limit")));

    // One large entity, each use within the bound, repeated until the sum would be 300 MB.
    const QByteArray wide = "<!DOCTYPE r [<!ENTITY w \"" + QByteArray(4000, 'w') + "\">]><r a=\"" +
                            QByteArray("&w;").repeated(80000) + "\"/>";
    QVERIFY(ParseError(wide).contains(QStringLiteral("expansion limit")));
    // A few uses of the same entity are fine.
    const QByteArray few = "<!DOCTYPE r [<!ENTITY w \"" + QByteArray(4000, 'w') + "\">]><r a=\"" +
                           QByteArray("&w;").repeated(3) + "\"/>";
    QCOMPARE(TXmlDocument::Parse(few)->DocumentElement().Attributes().at(0).Value.size(), 12000);

    const int allowed = TXmlDocument::MaxDepth;
    const QByteArray fits =
        QByteArray("<a>").repeated(allowed) + QByteArray("</a>").repeated(allowed);
    QCOMPARE(TXmlDocument::Parse(fits)->DocumentElement().NodeName(), QStringLiteral("a"));
    const QByteArray deep = QByteArray("<a>\n").repeated(20000);
    QVERIFY(ParseError(deep).startsWith(
        QStringLiteral("Elements are nested too deeply.\r\nLine: %1\r\n<a>").arg(allowed + 1)));
}

void TestXmlDocument::readsOnlyRegularFiles()
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile big(dir.filePath(QStringLiteral("big.xml")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(TXmlDocument::MaxFileSize + 1));
    big.close();

    for (const QString& path : {dir.path(), fifo, QStringLiteral("/dev/zero"), big.fileName(),
                                dir.filePath(QStringLiteral("missing.xml"))}) {
        try {
            TXmlDocument::LoadFromFile(path);
            QFAIL(qPrintable(path));
        } catch (const EInOutError& e) {
            QVERIFY2(e.Message().contains(path), qPrintable(e.Message()));
        }
    }
}

QTEST_GUILESS_MAIN(TestXmlDocument)
#include "tst_XmlDocument.moc"
