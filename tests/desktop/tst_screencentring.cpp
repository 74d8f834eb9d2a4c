// The correction after mapping, with no window manager: this test plays one that answers no
// frame request and reports a frame only once the window is mapped. Run at each scale factor
// (QT_SCALE_FACTOR): the frame is in the server's pixels, the window's size in the toolkit's.
#include "ScreenCentring.h"
#include "X11.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QtTest>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {
// Hears the frame extents being set on one window.
class ExtentsHeard : public QAbstractNativeEventFilter {
public:
    xcb_window_t Window = XCB_WINDOW_NONE;
    xcb_atom_t Extents = XCB_ATOM_NONE;
    int Count = 0;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
            Count += notify->window == Window && notify->atom == Extents;
        }
        return false;
    }
};

// The client area's corner on the screen, read on the toolkit's own connection so that the
// toolkit's requests before it are done.
QPoint ClientOnScreen(xcb_window_t id)
{
    xcb_connection_t* c = X11Connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_translate_coordinates_reply_t* reply =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, root, 0, 0), nullptr);
    const QPoint place = reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint(-1, -1);
    std::free(reply);
    return place;
}

// Less than one of the toolkit's pixels apart.
bool Near(QPoint a, QPoint b, qreal ratio)
{
    return std::abs(a.x() - b.x()) < ratio && std::abs(a.y() - b.y()) < ratio;
}
} // namespace

class TestScreenCentring : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void frameReportedAfterMappingIsCorrectedOnce();
    void windowPlacedElsewhereIsLeftThere();

private:
    void ShowCentred();
    void ReportFrame(const QMargins& frame);
    // The centred client corner for a frame, in device pixels.
    QPoint Centred(const QMargins& frame) const;

    std::unique_ptr<QWidget> FWindow;
    xcb_connection_t* FManager = nullptr; // the stand-in window manager's connection
    xcb_window_t FId = XCB_WINDOW_NONE;
    ExtentsHeard FHeard;
    QList<QPoint> FPlaced;
    qreal FRatio = 1;
};

void TestScreenCentring::init()
{
    if (QGuiApplication::platformName() != u"xcb")
        QSKIP("needs an X server");
    FManager = xcb_connect(nullptr, nullptr);
    QVERIFY(!xcb_connection_has_error(FManager));
    FWindow = std::make_unique<QWidget>();
    FWindow->resize(200, 100);
    FPlaced.clear();
}

void TestScreenCentring::cleanup()
{
    qApp->removeNativeEventFilter(&FHeard);
    FWindow.reset();
    if (FManager)
        xcb_disconnect(FManager);
    FManager = nullptr;
}

void TestScreenCentring::ShowCentred()
{
    auto* centring = new TScreenCentring(FWindow.get(), [this](QPoint p) { FPlaced << p; });
    centring->Start();
    FWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(FWindow.get(), 30000));
    FId = static_cast<xcb_window_t>(FWindow->winId());
    FRatio = FWindow->devicePixelRatioF();
    FHeard.Window = FId;
    FHeard.Extents = X11Atom(X11Connection(), "_NET_FRAME_EXTENTS");
    qApp->installNativeEventFilter(&FHeard);
    // No window manager answered, so no frame was assumed.
    QVERIFY(Near(ClientOnScreen(FId), Centred({}), FRatio));
    QCOMPARE(FPlaced.size(), 1);
}

void TestScreenCentring::ReportFrame(const QMargins& frame)
{
    const uint32_t v[4] = {uint32_t(frame.left()), uint32_t(frame.right()), uint32_t(frame.top()),
                           uint32_t(frame.bottom())};
    const int before = FHeard.Count;
    xcb_change_property(FManager, XCB_PROP_MODE_REPLACE, FId, FHeard.Extents, XCB_ATOM_CARDINAL, 32,
                        4, v);
    xcb_flush(FManager);
    QTRY_VERIFY(FHeard.Count > before);
    // The check it queued runs now.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QPoint TestScreenCentring::Centred(const QMargins& frame) const
{
    const QRect area = FWindow->screen()->geometry();
    const int width = qRound(FWindow->width() * FRatio) + frame.left() + frame.right();
    const int height = qRound(FWindow->height() * FRatio) + frame.top() + frame.bottom();
    return QPoint(area.x() + (qRound(area.width() * FRatio) - width) / 2 + frame.left(),
                  area.y() + (qRound(area.height() * FRatio) - height) / 2 + frame.top());
}

void TestScreenCentring::frameReportedAfterMappingIsCorrectedOnce()
{
    ShowCentred();
    if (QTest::currentTestFailed())
        return;
    const QMargins frame(4, 24, 4, 4);
    ReportFrame(frame);
    QTRY_VERIFY(Near(ClientOnScreen(FId), Centred(frame), FRatio));
    QCOMPARE(FPlaced.size(), 2);
    const QPoint outer = (Centred(frame) - QPoint(4, 24)) / FRatio;
    QVERIFY(Near(FPlaced.last(), outer, 1));
    // Once only: a later frame leaves the place alone.
    const QPoint corrected = ClientOnScreen(FId);
    ReportFrame(QMargins(10, 40, 10, 10));
    QCOMPARE(ClientOnScreen(FId), corrected);
    QCOMPARE(FPlaced.size(), 2);
}

void TestScreenCentring::windowPlacedElsewhereIsLeftThere()
{
    ShowCentred();
    if (QTest::currentTestFailed())
        return;
    const uint32_t place[2] = {30, 40};
    xcb_configure_window(FManager, FId, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, place);
    xcb_flush(FManager);
    QTRY_COMPARE(ClientOnScreen(FId), QPoint(30, 40));
    ReportFrame(QMargins(4, 24, 4, 4));
    QCOMPARE(ClientOnScreen(FId), QPoint(30, 40));
    QCOMPARE(FPlaced.size(), 1);
}

QTEST_MAIN(TestScreenCentring)
#include "tst_screencentring.moc"
