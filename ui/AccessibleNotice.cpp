#include "AccessibleNotice.h"

#include "Accessibility.h"

#include <QWidget>

namespace {
class NoticeWidget : public QWidget {
public:
    explicit NoticeWidget(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, 0, 0);
        hide();
    }
    QString Text;
};

class AccessibleNoticeWidget : public QAccessibleWidget {
public:
    explicit AccessibleNoticeWidget(NoticeWidget* notice)
        : QAccessibleWidget(notice, QAccessible::Notification)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        const auto* notice = static_cast<const NoticeWidget*>(widget());
        return t == QAccessible::Name && notice ? notice->Text : QString();
    }
    // Never painted, yet shown to assistive technology, which ignores what is not showing.
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = false;
        s.offscreen = false;
        return s;
    }
};
} // namespace

void AnnounceNotice(QWidget* window, const QString& text)
{
    if (!window || text.isEmpty() || !AccessibilityListening())
        return;
    NoticeWidget* notice = nullptr;
    for (QObject* child : window->children())
        if (auto* found = dynamic_cast<NoticeWidget*>(child))
            notice = found;
    if (!notice)
        notice = new NoticeWidget(window);
    notice->Text = text;
    QAccessibleEvent shown(notice, QAccessible::ObjectShow);
    Announce(shown);
}

QAccessibleInterface* NoticeInterface(QObject* object)
{
    auto* notice = dynamic_cast<NoticeWidget*>(object);
    return notice ? new AccessibleNoticeWidget(notice) : nullptr;
}
