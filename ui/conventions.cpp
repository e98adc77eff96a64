#include "ui/conventions.h"

#include "app/errortrap.h"
#include "app/files.h"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QEnterEvent>
#include <QFile>
#include <QFont>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <QtEndian>

#include <stdexcept>

namespace ui {

void PlaceTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
}

QPushButton *NewPushButton(QWidget *parent, const char *name, const QString &caption,
                           int left, int top, int width, int height)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFont(PushButtonFont());
    button->setFocusPolicy(Qt::StrongFocus);
    PlaceTwips(button, left, top, width, height);
    return button;
}

QFont WindowFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    font.setBold(true);
    return font;
}

QFont PushButtonFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11.25);
    font.setBold(true);
    return font;
}

QFont DialogFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    return font;
}

QIcon ApplicationIcon()
{
    static const QIcon icon = [] {
        QIcon sizes;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            sizes.addFile(QStringLiteral(":/icons/gravelin-%1.png").arg(size), QSize(size, size));
        return sizes;
    }();
    return icon;
}

bool IsEnterKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && modifiers == Qt::NoModifier;
}

bool TakeCommonKey(QWidget *window, QKeyEvent *event, const std::function<void()> &showHelp)
{
    if (event->key() == Qt::Key_F1 || event->key() == Qt::Key_Help) {
        showHelp();
        return true;
    }
    if (IsEnterKey(event)) {
        if (auto *button = qobject_cast<QPushButton *>(window->focusWidget())) {
            button->click();
            return true;
        }
    }
    return false;
}

void ApplyFormColors(QWidget *window)
{
    const QColor face = window->palette().color(QPalette::Button);
    auto paint = [&face](QWidget *widget) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, face);
        widget->setPalette(palette);
    };
    paint(window);
    window->setAutoFillBackground(true);
    const auto children = window->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (qobject_cast<QGroupBox *>(child) || qobject_cast<QLabel *>(child)
            || qobject_cast<QCheckBox *>(child) || qobject_cast<QRadioButton *>(child))
            paint(child);
    }
}

void ApplySkin(QWidget *loginWindow)
{
    if (!app::FileExists(app::SkinFilePath()))
        return;
    ApplyFormColors(loginWindow);
    QFile skin(app::SkinFilePath());
    if (skin.open(QIODevice::ReadOnly | QIODevice::Text))
        loginWindow->setStyleSheet(QString::fromUtf8(skin.readAll()));
}

std::optional<QCursor> LoadCursorFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.peek(14);
    QImage picture;
    if (head.size() < 14 || !picture.load(&file, "cur") || picture.isNull())
        return std::nullopt;
    // The first directory entry holds the hot spot of a .cur file.
    const auto *bytes = reinterpret_cast<const uchar *>(head.constData());
    const int hotX = qFromLittleEndian<quint16>(bytes + 10);
    const int hotY = qFromLittleEndian<quint16>(bytes + 12);
    return QCursor(QPixmap::fromImage(picture), hotX, hotY);
}

void WindowPointer::set(int value)
{
    m_value = value;
    apply();
}

void WindowPointer::hover(int value)
{
    if (m_value != Busy && m_value != value)
        set(value);
}

void WindowPointer::setPicture(const QCursor &picture)
{
    m_picture = picture;
    apply();
}

void WindowPointer::apply()
{
    switch (m_value) {
    case Busy:
        m_window->setCursor(Qt::WaitCursor);
        break;
    case Custom:
        m_window->setCursor(m_picture ? *m_picture : QCursor(Qt::PointingHandCursor));
        break;
    default:
        m_window->unsetCursor();
        break;
    }
}

bool LoadHandPicture(WindowPointer &pointer)
{
    if (const auto picture = LoadCursorFile(app::HandCursorPath())) {
        pointer.setPicture(*picture);
        return true;
    }
    return false;
}

HoverRule::HoverRule(WindowPointer &pointer, QObject *parent)
    : QObject(parent), m_pointer(pointer)
{
}

void HoverRule::hand(QWidget *widget)
{
    watch(widget, WindowPointer::Custom);
}

void HoverRule::plain(QWidget *widget)
{
    watch(widget, WindowPointer::Default);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget))
        watch(area->viewport(), WindowPointer::Default);
}

void HoverRule::watch(QWidget *widget, int value)
{
    m_targets.insert(widget, value);
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

bool HoverRule::eventFilter(QObject *watched, QEvent *event)
{
    QPointF position;
    if (event->type() == QEvent::MouseMove)
        position = static_cast<QMouseEvent *>(event)->position();
    else if (event->type() == QEvent::Enter)
        position = static_cast<QEnterEvent *>(event)->position();
    else
        return false;
    // A move that reached a parent only because the child under the mouse
    // ignored it belongs to that child, not to the parent.
    auto *widget = static_cast<QWidget *>(watched);
    if (widget->childAt(position.toPoint()) == nullptr)
        m_pointer.hover(m_targets.value(watched));
    return false;
}

void LoadHandCursorSteps(app::ErrorTrap &trap, WindowPointer &pointer, int testLine,
                         int loadLine)
{
    if (!trap.test(testLine, [] { return app::FileExists(app::HandCursorPath()); }))
        return;
    trap.step(loadLine, [&] {
        if (!LoadHandPicture(pointer))
            throw std::runtime_error("Invalid picture");
    });
}

} // namespace ui
