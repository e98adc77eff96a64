#pragma once

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <optional>

class QWidget;

namespace platform {
class SettingsStore;
}

namespace ui {

// Where the main windows appear. The chain has one spot, the top left
// corner of the window the user saw last: each window comes up there, so
// moving on never sends the user looking for the next window, and moving a
// window moves the spot. The first window of a run goes to the spot of the
// last run, or to the middle of the screen at the very first start. The
// editor also keeps its own size and place between runs, taken the first
// time it is shown in a run. Both are kept in the settings store, written
// shortly after they change (a drag is one write) and when a window goes.
class WindowPlacement : public QObject
{
public:
    explicit WindowPlacement(platform::SettingsStore &settings);
    ~WindowPlacement() override;

    void follow(QWidget *window);       // the login window, the chooser
    void followEditor(QWidget *editor); // also remembers its geometry

    // Writes what has changed and not been written yet.
    void flush();

    // "x,y" and "x,y,width,height"; nothing when the text is not that.
    static std::optional<QPoint> ParsePoint(const QString &text);
    static std::optional<QRect> ParseRect(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place(QWidget *window);
    bool restoreEditor(QWidget *editor);
    void noteSpot(QWidget *window);
    void saveLater(const char *key, const QString &value);
    QString stored(const char *key) const;

    platform::SettingsStore &m_settings;
    QPointer<QWidget> m_editor;
    bool m_started = false;   // the last run's spot is read at the first show
    bool m_editorShown = false;
    std::optional<QPoint> m_spot;
    QTimer m_writeTimer;
    QHash<const char *, QString> m_pending;
};

} // namespace ui
