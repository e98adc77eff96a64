#pragma once

#include "db/grid/tablemodel.h"

#include <QByteArrayView>
#include <QDialog>
#include <QString>

class QBoxLayout;
class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace platform {
class FileDialogs;
class MessageBoxes;
}

namespace ui {

class HexModel;

inline constexpr int HexBytesPerLine = 16;

// One line of the hex view: the offset in eight hex digits (more past
// 4 GB), the bytes in hex with a wider gap after the eighth, and the bytes
// as text, '.' for anything but printable ASCII.
struct HexLine
{
    QString offset;
    QString hex;
    QString text;
    bool operator==(const HexLine &) const = default;
};
HexLine HexLineOf(qint64 offset, QByteArrayView bytes);

// The window's title: "BLOB DOC, row 3", "BLOB DOC, new record", with
// " (read-only)" when it cannot be changed.
QString BlobWindowTitle(const QString &column, int row, bool newRecord, bool readOnly);

// Why a BLOB cannot be changed here, and the line that says so.
enum class BlobLock { None, View, Table, Computed, Reading };
QString BlobLockText(BlobLock lock, const QString &column);

// A binary BLOB's size as the window states it: "NULL", "1 byte", "1,234 bytes".
QString BlobSizeLine(const db::BlobValue &value);

// BlobWindow: one BLOB cell of the editor's grid, whole. A text BLOB is
// edited as plain text, a binary one is shown as its size and in hex and
// can be loaded from or saved to a file. OK hands the value back; Cancel
// drops whatever was done here.
class BlobWindow : public QDialog
{
    Q_OBJECT

public:
    struct Subject
    {
        QString column;
        int row = 0;
        bool newRecord = false;
        bool text = true;          // a text BLOB; else binary
        bool nullable = true;
        BlobLock lock = BlobLock::None;
    };

    BlobWindow(const Subject &subject, const db::BlobValue &value,
               platform::MessageBoxes &messages, platform::FileDialogs &files,
               QWidget *parent);
    ~BlobWindow() override;

    // What the window holds now; the value it opened with while unchanged.
    db::BlobValue value() const;
    bool isReadOnly() const { return m_subject.lock != BlobLock::None; }

    QPlainTextEdit *txtText() const { return m_txtText; }
    QTableView *grdHex() const { return m_grdHex; }
    QCheckBox *chkNull() const { return m_chkNull; }
    QLabel *lblSize() const { return m_lblSize; }
    QLabel *lblLock() const { return m_lblLock; }
    QPushButton *cmdLoad() const { return m_cmdLoad; }
    QPushButton *cmdSave() const { return m_cmdSave; }
    QDialogButtonBox *buttons() const { return m_buttons; }

    void cmdLoad_Click();   // Load from file…
    void cmdSave_Click();   // Save to file…

private:
    void createControls();
    QBoxLayout *createOptions();
    QBoxLayout *createActions();
    QWidget *createTextPage();
    QWidget *createBinaryPage();
    void chkNull_Toggled(bool null);
    void showBytes();
    QString editedText() const;

    Subject m_subject;
    db::BlobValue m_original;
    QByteArray m_bytes;          // binary: the bytes shown
    bool m_null = true;
    bool m_changed = false;      // binary: loaded or set to NULL here
    QString m_textBeforeNull;    // text: brought back when NULL is unticked
    platform::MessageBoxes &m_messages;
    platform::FileDialogs &m_files;

    HexModel *m_hexModel = nullptr;
    QLabel *m_lblLock = nullptr;
    QLabel *m_lblSize = nullptr;
    QCheckBox *m_chkNull = nullptr;
    QCheckBox *m_chkFixedFont = nullptr;
    QPlainTextEdit *m_txtText = nullptr;
    QTableView *m_grdHex = nullptr;
    QPushButton *m_cmdLoad = nullptr;
    QPushButton *m_cmdSave = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};

} // namespace ui
