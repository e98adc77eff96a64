#include "ui/placement.h"

#include "app/settingskeys.h"
#include "platform/settingsstore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace ui {

namespace {

constexpr int WriteDelayMs = 400;

QString Section()
{
    return QString::fromLatin1(app::SettingsSection);
}

std::optional<QList<int>> Numbers(const QString &text, int count)
{
    const QStringList parts = text.split(',');
    if (parts.size() != count)
        return std::nullopt;
    QList<int> numbers;
    for (const QString &part : parts) {
        bool ok = false;
        numbers << part.trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    return numbers;
}

// The screen a window whose frame starts at `corner` would be taken by, so
// that a place remembered on a screen since removed is not used.
QScreen *ScreenHolding(QPoint corner)
{
    return QGuiApplication::screenAt(corner + QPoint(16, 8));
}

// The corner that keeps as much of a window of `size` on `screen` as fits.
QPoint OnScreen(QPoint corner, QSize size, const QScreen *screen)
{
    const QRect area = screen->availableGeometry();
    corner.setX(std::max(area.left(), std::min(corner.x(), area.right() + 1 - size.width())));
    corner.setY(std::max(area.top(), std::min(corner.y(), area.bottom() + 1 - size.height())));
    return corner;
}

} // namespace

WindowPlacement::WindowPlacement(platform::SettingsStore &settings)
    : m_settings(settings)
{
    m_writeTimer.setSingleShot(true);
    m_writeTimer.setInterval(WriteDelayMs);
    connect(&m_writeTimer, &QTimer::timeout, this, &WindowPlacement::flush);
}

WindowPlacement::~WindowPlacement()
{
    flush();
}

void WindowPlacement::follow(QWidget *window)
{
    window->installEventFilter(this);
}

void WindowPlacement::followEditor(QWidget *editor)
{
    m_editor = editor;
    follow(editor);
}

std::optional<QPoint> WindowPlacement::ParsePoint(const QString &text)
{
    const auto numbers = Numbers(text, 2);
    if (!numbers)
        return std::nullopt;
    return QPoint(numbers->at(0), numbers->at(1));
}

std::optional<QRect> WindowPlacement::ParseRect(const QString &text)
{
    const auto numbers = Numbers(text, 4);
    if (!numbers || numbers->at(2) <= 0 || numbers->at(3) <= 0)
        return std::nullopt;
    return QRect(numbers->at(0), numbers->at(1), numbers->at(2), numbers->at(3));
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    auto *window = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::Show:
        place(window);
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (window->isVisible())
            noteSpot(window);
        break;
    case QEvent::Hide:
        flush();
        break;
    default:
        break;
    }
    return false;
}

// Runs as the window is shown, before it reaches the screen.
void WindowPlacement::place(QWidget *window)
{
    if (!std::exchange(m_started, true))
        m_spot = ParsePoint(stored(app::KeyWindowPosition));
    if (window == m_editor && !std::exchange(m_editorShown, true) && restoreEditor(window))
        return noteSpot(window);
    const QSize size = window->frameGeometry().size();
    QScreen *screen = m_spot ? ScreenHolding(*m_spot) : nullptr;
    if (screen) {
        window->move(OnScreen(*m_spot, size, screen));
    } else {
        screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        const QPoint centre = screen->availableGeometry().center();
        window->move(OnScreen(centre - QPoint(size.width() / 2, size.height() / 2), size, screen));
    }
    noteSpot(window);
}

bool WindowPlacement::restoreEditor(QWidget *editor)
{
    const auto frame = ParseRect(stored(app::KeyEditorGeometry));
    if (!frame || !ScreenHolding(frame->topLeft()))
        return false;
    // The stored size is the client area; the frame's decorations are the
    // window manager's and may differ between runs.
    editor->resize(frame->size().expandedTo(editor->minimumSize()));
    editor->move(frame->topLeft());
    return true;
}

void WindowPlacement::noteSpot(QWidget *window)
{
    const QPoint corner = window->pos();
    if (m_spot != corner) {
        m_spot = corner;
        saveLater(app::KeyWindowPosition, QStringLiteral("%1,%2").arg(corner.x()).arg(corner.y()));
    }
    if (window == m_editor && m_editorShown) {
        saveLater(app::KeyEditorGeometry, QStringLiteral("%1,%2,%3,%4")
                                              .arg(corner.x())
                                              .arg(corner.y())
                                              .arg(window->width())
                                              .arg(window->height()));
    }
}

void WindowPlacement::saveLater(const char *key, const QString &value)
{
    m_pending.insert(key, value);
    m_writeTimer.start();
}

void WindowPlacement::flush()
{
    m_writeTimer.stop();
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        if (stored(it.key()) != it.value())
            m_settings.save(Section(), QString::fromLatin1(it.key()), it.value());
    }
    m_pending.clear();
}

QString WindowPlacement::stored(const char *key) const
{
    return m_settings.get(Section(), QString::fromLatin1(key));
}

} // namespace ui
