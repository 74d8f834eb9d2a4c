#include "MessageForm.h"

#include "Application.h"
#include "MulDiv.h"
#include "ScreenCentring.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

namespace {
struct ButtonInfo {
    const char* Name;
    const char* Caption;
    int Result;
};

// In layout order, indexed by TMsgDlgBtn.
const ButtonInfo Buttons[] = {
    {"Yes", "&Yes", mrYes},
    {"No", "&No", mrNo},
    {"OK", "OK", mrOk},
    {"Cancel", "Cancel", mrCancel},
    {"Abort", "&Abort", mrAbort},
    {"Retry", "&Retry", mrRetry},
    {"Ignore", "&Ignore", mrIgnore},
    {"All", "&All", mrAll},
    {"NoToAll", "N&o to All", mrNoToAll},
    {"YesToAll", "Yes to &All", mrYesToAll},
    {"Help", "&Help", mrNone},
};

QString Caption(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return QStringLiteral("Warning");
    case mtError:
        return QStringLiteral("Error");
    case mtInformation:
        return QStringLiteral("Information");
    case mtConfirmation:
        return QStringLiteral("Confirm");
    case mtCustom:
        break;
    }
    return Application ? Application->Title() : QCoreApplication::applicationName();
}

QStyle::StandardPixmap IconOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning:
        return QStyle::SP_MessageBoxWarning;
    case mtError:
        return QStyle::SP_MessageBoxCritical;
    case mtInformation:
        return QStyle::SP_MessageBoxInformation;
    default:
        return QStyle::SP_MessageBoxQuestion;
    }
}

bool Has(TMsgDlgButtons set, TMsgDlgBtn b)
{
    return set & (1u << b);
}
} // namespace

TMessageForm::TMessageForm(const QString& msg, TMsgDlgType type, TMsgDlgButtons buttons)
    : FMessage(msg)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(QApplication::font("QMessageBox"));
    setWindowTitle(Caption(type));
    setObjectName(QStringLiteral("MessageForm"));

    const QFontMetrics fm(font());
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int w = fm.horizontalAdvance(letters) / 52;
    const int h = fm.height();
    const int hMargin = MulDiv(8, w, 4), vMargin = MulDiv(8, h, 8);
    const int hSpacing = MulDiv(10, w, 4), vSpacing = MulDiv(10, h, 8);
    int buttonWidth = MulDiv(50, w, 4);
    const int buttonHeight = MulDiv(14, h, 8), buttonGap = MulDiv(4, w, 4);

    int count = 0;
    for (int b = mbYes; b <= mbHelp; ++b)
        if (Has(buttons, static_cast<TMsgDlgBtn>(b))) {
            ++count;
            const QString caption = QString::fromLatin1(Buttons[b].Caption);
            buttonWidth =
                std::max(buttonWidth,
                         fm.size(Qt::TextShowMnemonic | Qt::TextSingleLine, caption).width() + 8);
        }

    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 1024;
    const int textFlags = Qt::TextWordWrap | Qt::TextExpandTabs | Qt::AlignLeft | Qt::AlignTop;
    const QRect textRect = fm.boundingRect(QRect(0, 0, screenWidth / 2, 0), textFlags, msg);
    const bool icon = type != mtCustom;
    int blockWidth = textRect.width();
    int blockHeight = textRect.height();
    if (icon) {
        blockWidth += 32 + hSpacing;
        blockHeight = std::max(blockHeight, 32);
    }
    const int rowWidth = count * buttonWidth + std::max(count - 1, 0) * buttonGap;
    const int clientWidth = std::max(blockWidth, rowWidth) + 2 * hMargin;
    const int clientHeight = blockHeight + vSpacing + buttonHeight + 2 * vMargin;
    setFixedSize(clientWidth, clientHeight);

    int textLeft = hMargin;
    if (icon) {
        auto* image = new QLabel(this);
        image->setObjectName(QStringLiteral("Image"));
        image->setPixmap(style()->standardIcon(IconOf(type)).pixmap(32, 32));
        image->setGeometry(hMargin, vMargin, 32, 32);
        textLeft += 32 + hSpacing;
    }
    auto* message = new QLabel(msg, this);
    message->setObjectName(QStringLiteral("Message"));
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message->setGeometry(textLeft, vMargin, textRect.width(), textRect.height());

    int x = (clientWidth - rowWidth) / 2;
    const int y = vMargin + blockHeight + vSpacing;
    for (int b = mbYes; b <= mbHelp; ++b) {
        if (!Has(buttons, static_cast<TMsgDlgBtn>(b)))
            continue;
        auto* button = new QPushButton(QString::fromLatin1(Buttons[b].Caption), this);
        button->setObjectName(QString::fromLatin1(Buttons[b].Name));
        button->setGeometry(x, y, buttonWidth, buttonHeight);
        button->setAutoDefault(false);
        const int result = Buttons[b].Result;
        if (b != mbHelp)
            connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        FButtons.append(button);
        x += buttonWidth + buttonGap;
    }

    const auto find = [&](TMsgDlgBtn b) {
        return findChild<QPushButton*>(QString::fromLatin1(Buttons[b].Name));
    };
    FDefault = Has(buttons, mbOK) ? find(mbOK) : Has(buttons, mbYes) ? find(mbYes) : find(mbRetry);
    FCancel = Has(buttons, mbCancel) ? find(mbCancel)
              : Has(buttons, mbNo)   ? find(mbNo)
                                     : find(mbOK);
    if (FDefault) {
        FDefault->setDefault(true);
        FDefault->setFocus();
    }
}

QString TMessageForm::ClipboardText() const
{
    const QString divider = QStringLiteral("---------------------------\r\n");
    QString buttons;
    for (const QPushButton* b : FButtons)
        buttons += QString(b->text()).remove(u'&') + QStringLiteral("   ");
    return divider + windowTitle() + QStringLiteral("\r\n") + divider + FMessage +
           QStringLiteral("\r\n") + divider + buttons + QStringLiteral("\r\n") + divider;
}

void TMessageForm::showEvent(QShowEvent* event)
{
    // Centred by its outer frame, placed before it maps (ScreenCentring.h).
    if (!event->spontaneous() && !FCentring) {
        FCentring = new TScreenCentring(this, {});
        FCentring->Start();
    }
    QDialog::showEvent(event);
}

void TMessageForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_C && event->modifiers() == Qt::ControlModifier) {
        QApplication::beep();
        QApplication::clipboard()->setText(ClipboardText());
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (FCancel)
            FCancel->click();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Enter presses the button that has the focus, else the default button.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (QPushButton* b = focused ? focused : FDefault)
            b->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
