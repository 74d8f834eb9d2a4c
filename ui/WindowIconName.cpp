#include "WindowIconName.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <xcb/xcb.h>

namespace {
int Writes = 0;

void SetX11IconName(QWidget* window, const QString& text)
{
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return;
    const QByteArray latin1 = text.toLatin1();
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE,
                        static_cast<xcb_window_t>(window->winId()), XCB_ATOM_WM_ICON_NAME,
                        XCB_ATOM_STRING, 8, static_cast<uint32_t>(latin1.size()),
                        latin1.constData());
    xcb_flush(x11->connection());
}

// Sets WM_ICON_NAME once the window has its native window. Asking for the native window
// earlier (winId()) would create it before the first showing, and the toolkit then places
// such a window by its client area instead of by its frame.
class TIconNameOnShow : public QObject {
public:
    explicit TIconNameOnShow(QWidget* window) : QObject(window), FWindow(window)
    {
        setObjectName(QStringLiteral("TIconNameOnShow"));
        window->installEventFilter(this);
    }
    QString Text;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == FWindow && event->type() == QEvent::Show &&
            FWindow->testAttribute(Qt::WA_WState_Created)) {
            SetX11IconName(FWindow, Text);
            FWindow->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> FWindow;
};
} // namespace

int WindowIconNameWrites()
{
    return Writes;
}

void SetWindowIconName(QWidget* window, const QString& text)
{
    ++Writes;
    window->setWindowIconText(text);
    if (QGuiApplication::platformName() != u"xcb")
        return;
    if (window->testAttribute(Qt::WA_WState_Created)) {
        SetX11IconName(window, text);
        return;
    }
    auto* pending = window->findChild<TIconNameOnShow*>(QStringLiteral("TIconNameOnShow"),
                                                        Qt::FindDirectChildrenOnly);
    if (!pending)
        pending = new TIconNameOnShow(window);
    pending->Text = text;
}
