// The program's pictures as the window, the flags and the hand cursor get them.
#include "Pictures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void iconMatchesTheDesktopIcon();
    void handCursorShapeAndHotSpot();
    void flagIsRead();
    void malformedFilesGiveNoPicture();
};

void TestPictures::iconMatchesTheDesktopIcon()
{
    // Both are drawn from the same pixels; the PNG goes through Qt's own reader.
    const QImage icon = ReadRgbaPicture(QStringLiteral(":/resources/zvkdemo.rgba"), 32);
    const QImage png = QImage(QStringLiteral(ZVK_ICON_PNG)).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(!png.isNull());
    QCOMPARE(icon, png);
}

void TestPictures::handCursorShapeAndHotSpot()
{
    QPoint hotSpot;
    const QImage hand = ReadCursorPicture(QStringLiteral(":/resources/handpoint.cur"), hotSpot);
    QCOMPARE(hand.size(), QSize(32, 32));
    QCOMPARE(hotSpot, QPoint(7, 1)); // the fingertip
    QCOMPARE(hand.pixel(7, 1), qRgb(0, 0, 0));
    QCOMPARE(hand.pixel(7, 2), qRgb(255, 255, 255));
    QCOMPARE(hand.pixel(7, 19), qRgb(0, 0, 0));
    QCOMPARE(qAlpha(hand.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(hand.pixel(7, 25)), 0);
}

void TestPictures::flagIsRead()
{
    const QImage flag = ReadBmpPicture(QStringLiteral(":/resources/czech_flag.bmp"));
    QVERIFY(!flag.isNull());
    QVERIFY(flag.width() > flag.height());
}

void TestPictures::malformedFilesGiveNoPicture()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(32 * 32 * 4 - 1, '\x7f')); // one byte short of an icon
    file.close();
    QVERIFY(ReadRgbaPicture(path, 32).isNull());
    QPoint hotSpot;
    QVERIFY(ReadCursorPicture(path, hotSpot).isNull());
    QVERIFY(ReadBmpPicture(path).isNull());
    QVERIFY(ReadRgbaPicture(QStringLiteral(":/resources/missing"), 32).isNull());
}

QTEST_MAIN(TestPictures)
#include "tst_pictures.moc"
