#include "WindowLook.h"

#include "ui_main_Form.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QIconEngine>
#include <QImageReader>
#include <QPixmap>
#include <QProxyStyle>
#include <QScreen>
#include <QTimer>

namespace {

// The form's client area, as the operator's panels were drawn.
constexpr int kClientWidth = 417;
constexpr int kClientHeight = 238;

// An icon made only when first drawn.
class DeferredIconEngine : public QIconEngine
{
public:
    explicit DeferredIconEngine(std::function<QIcon()> make) : m_make(std::move(make)) {}
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QIconEngine *clone() const override { return new DeferredIconEngine(m_make); }

private:
    QIcon &icon()
    {
        if (!m_made) {
            m_icon = m_make();
            m_made = true;
        }
        return m_icon;
    }
    std::function<QIcon()> m_make;
    QIcon m_icon;
    bool m_made = false;
};

// The toolkit's style, but for the arrows of a menu bar too narrow for its
// menus, which the panel's never is. The menu bar asks for them when it is
// made, and the style reads them without naming their format, which loads
// every image plugin (the JPEG library included) to guess it.
class PanelStyle : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option,
                       const QWidget *widget) const override
    {
        if (icon != SP_ToolBarHorizontalExtensionButton &&
            icon != SP_ToolBarVerticalExtensionButton)
            return QProxyStyle::standardIcon(icon, option, widget);
        // Made by the style beneath this one, whichever then is the application's.
        return QIcon(new DeferredIconEngine([icon] {
            const QStyle *style = QApplication::style();
            if (const auto *proxy = qobject_cast<const QProxyStyle *>(style))
                style = proxy->baseStyle();
            return style->standardIcon(icon);
        }));
    }
};

} // namespace

void installPanelStyle()
{
    QApplication::setStyle(new PanelStyle);
}

void installFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

namespace {

// `icon` with the program's icon in more sizes.
QIcon withSizes(QIcon icon, std::initializer_list<int> sizes)
{
    for (const int size : sizes) {
        QImageReader reader(QStringLiteral(":/icons/%1x%1/apps/" VAKO_APP_ID ".png").arg(size),
                            "png");
        // The format is known: no image plugin is loaded to guess it.
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

// Hands the large sizes to the application after the first paint of the
// window it watches, then goes.
class LargeIconsAfterPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                QApplication::setWindowIcon(withSizes(QApplication::windowIcon(), {128, 256}));
                deleteLater();
            });
        }
        return false;
    }
};

} // namespace

void installPanelIcon(QWidget *window)
{
    QApplication::setWindowIcon(withSizes(QIcon(), {16, 24, 32, 48, 64}));
    window->installEventFilter(new LargeIconsAfterPaint(window));
}

void applyFrameLook(QGroupBox *frame)
{
    frame->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); margin-top: 6px; background: palette(window); "
        "}"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"
        "QRadioButton::indicator { width: 13px; height: 13px; }"));
}

void applyPanelLook(QMainWindow *window, Ui::main_Form &ui)
{
    // The displays' large bold figures: 13.5 pt, which the form cannot hold.
    for (QLabel *label : {static_cast<QLabel *>(ui.Frequency_display), ui.Label1,
                          static_cast<QLabel *>(ui.CW_speed_display), ui.Label10}) {
        QFont font = label->font();
        font.setPointSizeF(13.5);
        font.setBold(true);
        label->setFont(font);
    }
    for (QGroupBox *frame : {ui.Frame1, ui.Frame2, ui.Frame3, ui.Power_Frame})
        applyFrameLook(frame);
    QFont message = ui.Message_Text->font();
    message.setPointSizeF(9.75);
    ui.Message_Text->setFont(message);
    window->setFixedSize(kClientWidth, window->menuBar()->sizeHint().height() + kClientHeight);
}

void centreOnScreen(QWidget *window, QSize size)
{
    if (const QScreen *screen = window->screen()) {
        const QRect area = screen->geometry();
        window->move((area.width() - size.width()) / 2, (area.height() - size.height()) / 2);
    }
}
