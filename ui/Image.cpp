#include "Image.h"

#include "AccessibleButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <utility>

// Draws the picture and turns a press and release inside it into a click.
class ImageWidget : public QWidget {
public:
    explicit ImageWidget(TImage* image) : FImage(image) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        const QImage& pic = FImage->FPicture;
        if (pic.isNull())
            return;
        QPainter p(this);
        if (FImage->FStretch) {
            p.drawImage(rect(), pic);
        } else if (FImage->FCenter) {
            p.drawImage((width() - pic.width()) / 2, (height() - pic.height()) / 2, pic);
        } else {
            p.drawImage(0, 0, pic);
        }
        if (hasFocus())
            DrawFocusFrame(p);
    }
    // Black dots on a white ring along the edge: seen on any picture.
    void DrawFocusFrame(QPainter& p) const
    {
        const QRect ring = rect().adjusted(0, 0, -1, -1);
        p.setPen(QPen(Qt::white, 0));
        p.drawRect(ring);
        p.setPen(QPen(Qt::black, 0, Qt::DotLine));
        p.drawRect(ring);
    }
    void focusInEvent(QFocusEvent*) override { update(); }
    void focusOutEvent(QFocusEvent*) override { update(); }
    void keyPressEvent(QKeyEvent* e) override
    {
        const bool press =
            e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        if (!press || FImage->FButtonName.isEmpty()) {
            QWidget::keyPressEvent(e);
            return;
        }
        if (!e->isAutoRepeat())
            FImage->Press();
    }
    void mousePressEvent(QMouseEvent* e) override { FPressed = e->button() == Qt::LeftButton; }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        const bool click =
            FPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
        FPressed = false;
        if (click)
            FImage->Click();
    }

private:
    TImage* FImage;
    bool FPressed = false;
};

const TClassInfo& TImage::StaticClassInfo()
{
    using C = TImage;
    static const TClassInfo info{
        "TImage",
        &TControl::StaticClassInfo(),
        {
            PublishedOnly("Picture", &TypeInfos::TPicture),
            Published<C>("Stretch", &TypeInfos::Boolean, &C::Stretch, &C::SetStretch),
            Published<C>("AutoSize", &TypeInfos::Boolean, &C::AutoSize, &C::SetAutoSize),
            Published<C>("Center", &TypeInfos::Boolean, &C::Center, &C::SetCenter),
            // Accepted and ignored: pictures are drawn opaque (neither flag is transparent).
            Published<C>("Transparent", &TypeInfos::Boolean, &C::Transparent, &C::SetTransparent),
        }};
    return info;
}

TImage::TImage(TComponent* owner) : TControl(owner, new ImageWidget(this)) {}

void TImage::SetPicture(const QImage& picture)
{
    FPicture = picture;
    AdjustSize();
    if (Widget())
        Widget()->update();
}

void TImage::SetStretch(bool stretch)
{
    FStretch = stretch;
    if (Widget())
        Widget()->update();
}

void TImage::SetAutoSize(bool autoSize)
{
    FAutoSize = autoSize;
    AdjustSize();
}

void TImage::SetCenter(bool center)
{
    FCenter = center;
    if (Widget())
        Widget()->update();
}

void TImage::SetTransparent(bool transparent)
{
    FTransparent = transparent;
    if (Widget())
        Widget()->update();
}

void TImage::SetButtonName(const QString& name)
{
    FButtonName = name;
    // Tab reaches it; a mouse click does not take the focus from where the user types.
    if (Widget())
        Widget()->setFocusPolicy(name.isEmpty() ? Qt::NoFocus : Qt::TabFocus);
}

void TImage::Press()
{
    if (Widget() && Widget()->isEnabled())
        Click();
}

void TImage::SetButtonChecked(bool checked)
{
    FButtonCheckable = true;
    if (std::exchange(FButtonChecked, checked) != checked)
        AnnounceCheckedChange(Widget());
}

void TImage::AdjustSize()
{
    if (FAutoSize && !FPicture.isNull())
        SetBounds(Left(), Top(), FPicture.width(), FPicture.height());
}
