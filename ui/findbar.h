#pragma once

#include "app/findtext.h"

#include <QFrame>
#include <QModelIndex>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace platform {
class MessageBoxes;
}

namespace ui {

class GridView;

// The find and replace bar below the editor's grid (Ctrl+F, Ctrl+H). Find
// looks through the cells the grid shows, in its order, from the cursor on,
// reading rows not read yet as it goes; it wraps around once. Replace
// changes the found cell as typing would (the row is written when left);
// Replace All changes every matching row on the server in one UPDATE, rows
// not read yet and only rows the filter shows, after saying how many.
class FindBar : public QFrame
{
    Q_OBJECT

public:
    enum class Scope { CurrentColumn, Selection, AllColumns };

    FindBar(GridView &grid, platform::MessageBoxes &messages, QWidget *parent);

    void showFind();
    void showReplace();
    bool isReplacing() const;
    void closeBar();

    // The next (or previous) matching cell becomes current; "not found" is
    // said in the bar. Rows not read yet are read first, so the cursor may
    // get there only after events have run (searching() turns false).
    void findNext() { find(1); }
    void findPrevious() { find(-1); }
    bool searching() const { return m_search.active; }
    void replaceOne();
    void replaceAll();

    QLineEdit *txtFind() const { return m_txtFind; }
    QLineEdit *txtReplace() const { return m_txtReplace; }
    QComboBox *cboScope() const { return m_cboScope; }
    QCheckBox *chkMatchCase() const { return m_chkMatchCase; }
    QCheckBox *chkWholeCell() const { return m_chkWholeCell; }
    QLabel *lblFound() const { return m_lblFound; }
    void setScope(Scope scope);

signals:
    void shownChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Search
    {
        bool active = false;
        int direction = 1;
        int row = 0;        // where the walk is
        int place = 0;      // index into the scope's columns
        int startRow = 0;   // where it began, to stop after one round
        int startPlace = 0;
        qint64 cells = 0;
    };
    void createControls();
    void open(bool replacing);
    void find(int direction);
    void searchOn();
    bool step(Search &search, int rows) const;
    std::vector<int> scopeColumns() const;
    bool inScope(const QModelIndex &cell) const;
    bool cellMatches(const QModelIndex &cell) const;
    QString cellText(const QModelIndex &cell) const;
    app::FindOptions options() const;
    Scope scope() const;
    void say(const QString &text);
    bool writeUnsavedRows();

    GridView &m_grid;
    platform::MessageBoxes &m_messages;
    Search m_search;
    std::vector<int> m_columns;   // of the search under way, in shown order
    QLineEdit *m_txtFind = nullptr;
    QLineEdit *m_txtReplace = nullptr;
    QLabel *m_lblReplace = nullptr;
    QComboBox *m_cboScope = nullptr;
    QCheckBox *m_chkMatchCase = nullptr;
    QCheckBox *m_chkWholeCell = nullptr;
    QPushButton *m_cmdPrevious = nullptr;
    QPushButton *m_cmdNext = nullptr;
    QPushButton *m_cmdReplace = nullptr;
    QPushButton *m_cmdReplaceAll = nullptr;
    QToolButton *m_cmdClose = nullptr;
    QLabel *m_lblFound = nullptr;
};

} // namespace ui
