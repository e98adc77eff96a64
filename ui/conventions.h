#pragma once

#include <QCursor>
#include <QHash>
#include <QObject>

#include <functional>
#include <optional>

class QFont;
class QIcon;
class QKeyEvent;
class QPushButton;
class QWidget;

namespace app {
class ErrorTrap;
}

namespace ui {

// Window geometry is given in twips: 15 twips make one pixel at 96 dpi.
constexpr int Twips(int twips) { return (twips + 7) / 15; }
void PlaceTwips(QWidget *widget, int left, int top, int width, int height);

QFont WindowFont();       // Arial bold 9 pt
QFont PushButtonFont();   // Arial bold 11.25 pt
QFont DialogFont();       // Arial 9 pt: the schema dialogs

// A push button with its object name, caption, font and twips geometry.
QPushButton *NewPushButton(QWidget *parent, const char *name, const QString &caption,
                           int left, int top, int width, int height);

// The icon every window of the program shows: the application icon, drawn
// in every size from 16 to 256 pixels.
QIcon ApplicationIcon();

// Keys every window shares: F1 runs `showHelp`, and Enter on a focused push
// button presses it (Qt does that only inside dialogs). True when taken.
bool TakeCommonKey(QWidget *window, QKeyEvent *event, const std::function<void()> &showHelp);
bool IsEnterKey(const QKeyEvent *event);

// Gives the window and its frames, labels, check boxes and option buttons
// the button-face colour.
void ApplyFormColors(QWidget *window);

// The login window's look: when the skin file exists, the colours and its
// style sheet. Without the file nothing changes.
void ApplySkin(QWidget *loginWindow);

// Reads a .cur file with its hot spot; nothing when it cannot be read.
std::optional<QCursor> LoadCursorFile(const QString &path);

// The mouse pointer of one window, as a value: 0 default, 11 busy, 99 the
// window's custom picture (the hand).
class WindowPointer
{
public:
    enum Value { Default = 0, Busy = 11, Custom = 99 };

    explicit WindowPointer(QWidget *window) : m_window(window) {}

    int value() const { return m_value; }
    void set(int value);
    // What a mouse move asks for: ignored while the window is busy.
    void hover(int value);

    void setPicture(const QCursor &picture);
    bool hasPicture() const { return m_picture.has_value(); }

private:
    void apply();

    QWidget *m_window;
    int m_value = Default;
    std::optional<QCursor> m_picture;
};

// The hover rule: moving over a push button asks for the hand, moving over
// the window or its other mouse-aware controls asks for the default pointer.
// A control not registered here (a label, say) leaves the pointer alone.
class HoverRule : public QObject
{
public:
    HoverRule(WindowPointer &pointer, QObject *parent);

    void hand(QWidget *widget);     // push buttons
    void plain(QWidget *widget);    // the window, frames, lists, grids

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QWidget *widget, int value);

    WindowPointer &m_pointer;
    QHash<QObject *, int> m_targets;
};

// The window-load prologue of the other windows: colours, icon and, when the
// cursor file exists, the custom pointer picture. Steps as numbered lines
// belong to the caller's trap, so this only offers the pieces.
bool LoadHandPicture(WindowPointer &pointer);

// Those two steps of a load handler under its trap: the test for the cursor
// file at testLine, loading it at loadLine.
void LoadHandCursorSteps(app::ErrorTrap &trap, WindowPointer &pointer, int testLine,
                         int loadLine);

} // namespace ui
