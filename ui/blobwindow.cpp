#include "ui/blobwindow.h"

#include "app/titles.h"
#include "platform/filedialogs.h"
#include "platform/messageboxes.h"
#include "ui/conventions.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedLayout>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

namespace ui {

namespace {

const QString AllFilesFilter = QStringLiteral("All Files (*)|*|");

QString HexDigits(qint64 value, int width)
{
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

} // namespace

HexLine HexLineOf(qint64 offset, QByteArrayView bytes)
{
    HexLine line;
    line.offset = HexDigits(offset, 8);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar byte = uchar(bytes[i]);
        if (i > 0)
            line.hex += i == HexBytesPerLine / 2 ? QStringLiteral("  ") : QStringLiteral(" ");
        line.hex += HexDigits(byte, 2);
        line.text += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QLatin1Char('.');
    }
    return line;
}

QString BlobWindowTitle(const QString &column, int row, bool newRecord, bool readOnly)
{
    const QString where = newRecord ? QStringLiteral("new record")
                                    : QStringLiteral("row %1").arg(row + 1);
    QString title = QStringLiteral("BLOB %1, %2").arg(column, where);
    if (readOnly)
        title += QStringLiteral(" (read-only)");
    return title;
}

QString BlobLockText(BlobLock lock, const QString &column)
{
    switch (lock) {
    case BlobLock::None: return {};
    case BlobLock::View:
        return QStringLiteral("Read-only: the rows of this view cannot be changed here.");
    case BlobLock::Table:
        return QStringLiteral("Read-only: the rows of this table cannot be changed here.");
    case BlobLock::Computed:
        return QStringLiteral("Read-only: %1 is computed by the database.").arg(column);
    case BlobLock::Reading:
        return QStringLiteral("Read-only while the rows are being read again.");
    }
    return {};
}

QString BlobSizeLine(const db::BlobValue &value)
{
    if (value.null)
        return QStringLiteral("NULL");
    if (value.bytes.size() == 1)
        return QStringLiteral("1 byte");
    return QStringLiteral("%1 bytes").arg(QLocale(QLocale::English).toString(value.bytes.size()));
}

// The hex view's lines, made when they are painted: a large BLOB costs its
// bytes, not a string per line.
class HexModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setBytes(const QByteArray &bytes)
    {
        beginResetModel();
        m_bytes = bytes;
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        if (parent.isValid())
            return 0;
        return int((m_bytes.size() + HexBytesPerLine - 1) / HexBytesPerLine);
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 3;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const qint64 offset = qint64(index.row()) * HexBytesPerLine;
        const HexLine line = HexLineOf(offset, QByteArrayView(m_bytes).sliced(
            offset, std::min<qint64>(HexBytesPerLine, m_bytes.size() - offset)));
        return index.column() == 0 ? line.offset : index.column() == 1 ? line.hex : line.text;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? QStringLiteral("Offset")
                            : section == 1 ? QStringLiteral("Hex") : QStringLiteral("Text");
    }

private:
    QByteArray m_bytes;
};

BlobWindow::BlobWindow(const Subject &subject, const db::BlobValue &value,
                       platform::MessageBoxes &messages, platform::FileDialogs &files,
                       QWidget *parent)
    : QDialog(parent), m_subject(subject), m_original(value), m_bytes(value.bytes),
      m_null(value.null), m_messages(messages), m_files(files)
{
    setObjectName(QStringLiteral("BlobWindow"));
    setWindowTitle(BlobWindowTitle(subject.column, subject.row, subject.newRecord, isReadOnly()));
    setWindowIcon(ApplicationIcon());
    setFont(DialogFont());
    createControls();
    resize(760, 520);
}

BlobWindow::~BlobWindow() = default;

void BlobWindow::createControls()
{
    auto *layout = new QVBoxLayout(this);
    m_lblLock = new QLabel(BlobLockText(m_subject.lock, m_subject.column), this);
    m_lblLock->setObjectName(QStringLiteral("lblLock"));
    m_lblLock->setVisible(isReadOnly());
    layout->addWidget(m_lblLock);
    layout->addLayout(createOptions());
    layout->addWidget(m_subject.text ? createTextPage() : createBinaryPage(), 1);
    layout->addLayout(createActions());
    connect(m_chkNull, &QCheckBox::toggled, this, &BlobWindow::chkNull_Toggled);
    connect(m_cmdLoad, &QPushButton::clicked, this, &BlobWindow::cmdLoad_Click);
    connect(m_cmdSave, &QPushButton::clicked, this, &BlobWindow::cmdSave_Click);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (!m_subject.text)
        showBytes();
}

// NULL and the font above the value; a binary BLOB's size on the right.
QBoxLayout *BlobWindow::createOptions()
{
    auto *options = new QHBoxLayout;
    m_chkNull = new QCheckBox(QStringLiteral("NULL"), this);
    m_chkNull->setObjectName(QStringLiteral("chkNull"));
    m_chkNull->setChecked(m_original.null);
    m_chkNull->setEnabled(!isReadOnly() && (m_subject.nullable || m_original.null));
    m_chkNull->setToolTip(QStringLiteral("No value at all, unlike an empty one"));
    options->addWidget(m_chkNull);
    m_chkFixedFont = new QCheckBox(QStringLiteral("Fixed-width font"), this);
    m_chkFixedFont->setObjectName(QStringLiteral("chkFixedFont"));
    m_chkFixedFont->setVisible(m_subject.text);
    options->addWidget(m_chkFixedFont);
    options->addStretch();
    m_lblSize = new QLabel(this);
    m_lblSize->setObjectName(QStringLiteral("lblSize"));
    m_lblSize->setVisible(!m_subject.text);
    options->addWidget(m_lblSize);
    return options;
}

// The file buttons (binary BLOBs only) and OK and Cancel, or Close.
QBoxLayout *BlobWindow::createActions()
{
    auto *actions = new QHBoxLayout;
    m_cmdLoad = new QPushButton(QStringLiteral("Load from file…"), this);
    m_cmdLoad->setObjectName(QStringLiteral("cmdLoad"));
    m_cmdSave = new QPushButton(QStringLiteral("Save to file…"), this);
    m_cmdSave->setObjectName(QStringLiteral("cmdSave"));
    for (QPushButton *button : {m_cmdLoad, m_cmdSave}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(button->sizeHint().width() + 16);
        button->setVisible(!m_subject.text);
        actions->addWidget(button);
    }
    m_cmdLoad->setEnabled(!isReadOnly());
    actions->addStretch();
    m_buttons = new QDialogButtonBox(isReadOnly() ? QDialogButtonBox::Close
                                                  : QDialogButtonBox::Ok | QDialogButtonBox::Cancel,
                                     this);
    m_buttons->setObjectName(QStringLiteral("buttons"));
    actions->addWidget(m_buttons);
    return actions;
}

QWidget *BlobWindow::createTextPage()
{
    m_txtText = new QPlainTextEdit(this);
    m_txtText->setObjectName(QStringLiteral("txtText"));
    m_txtText->setAccessibleName(QStringLiteral("Text of the BLOB"));
    m_txtText->setReadOnly(isReadOnly());
    m_txtText->setPlainText(QString::fromUtf8(m_original.bytes));
    m_txtText->setEnabled(!m_original.null);
    m_txtText->setPlaceholderText(m_original.null ? QStringLiteral("NULL")
                                                  : QStringLiteral("(empty text)"));
    connect(m_chkFixedFont, &QCheckBox::toggled, this, [this](bool fixed) {
        m_txtText->setFont(fixed ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                 : DialogFont());
    });
    return m_txtText;
}

QWidget *BlobWindow::createBinaryPage()
{
    m_hexModel = new HexModel(this);
    m_grdHex = new QTableView(this);
    m_grdHex->setObjectName(QStringLiteral("grdHex"));
    m_grdHex->setAccessibleName(QStringLiteral("Bytes of the BLOB in hex"));
    m_grdHex->setModel(m_hexModel);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_grdHex->setFont(fixed);
    m_grdHex->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grdHex->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grdHex->setWordWrap(false);
    m_grdHex->setShowGrid(false);
    m_grdHex->verticalHeader()->hide();
    // Fixed heights keep millions of lines as cheap as a few.
    m_grdHex->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    const QFontMetrics metrics(fixed);
    m_grdHex->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    m_grdHex->horizontalHeader()->setStretchLastSection(true);
    const int padding = metrics.horizontalAdvance(QLatin1Char('0')) * 3;
    m_grdHex->setColumnWidth(0, metrics.horizontalAdvance(QString(8, QLatin1Char('0'))) + padding);
    m_grdHex->setColumnWidth(
        1, metrics.horizontalAdvance(QString(HexBytesPerLine * 3 + 1, QLatin1Char('0'))) + padding);
    return m_grdHex;
}

db::BlobValue BlobWindow::value() const
{
    if (!m_subject.text)
        return m_changed ? db::BlobValue{m_null, m_null ? QByteArray() : m_bytes} : m_original;
    if (m_chkNull->isChecked())
        return {};
    if (!m_original.null && !m_txtText->document()->isModified())
        return m_original;
    return {false, editedText().toUtf8()};
}

// The editor's own text, with what it took apart put back: its blocks end
// in '\n' (CR LF where the BLOB had CR LF throughout), and a no-break space
// stays one.
QString BlobWindow::editedText() const
{
    QString text = m_txtText->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    const qsizetype crlf = m_original.bytes.count("\r\n");
    if (crlf > 0 && crlf == m_original.bytes.count('\n'))
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void BlobWindow::chkNull_Toggled(bool null)
{
    if (!m_subject.text) {
        m_null = null;
        m_changed = true;
        showBytes();
        return;
    }
    // The text is kept aside, so that unticking brings it back as it was.
    const bool modified = m_txtText->document()->isModified();
    if (null)
        m_textBeforeNull = m_txtText->toPlainText();
    m_txtText->setPlainText(null ? QString() : m_textBeforeNull);
    m_txtText->document()->setModified(modified || !null);
    m_txtText->setEnabled(!null);
    m_txtText->setPlaceholderText(null ? QStringLiteral("NULL") : QStringLiteral("(empty text)"));
    if (!null)
        m_txtText->setFocus();
}

void BlobWindow::showBytes()
{
    m_lblSize->setText(BlobSizeLine({m_null, m_bytes}));
    m_hexModel->setBytes(m_null ? QByteArray() : m_bytes);
    m_cmdSave->setEnabled(!m_null);
}

void BlobWindow::cmdLoad_Click()
{
    const QString path = m_files.openFile(QStringLiteral("Load BLOB from File"), AllFilesFilter);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_messages.warn(app::ShortTitle(),
                        QStringLiteral("Could not read %1: %2").arg(path, file.errorString()));
        return;
    }
    m_bytes = file.readAll();
    m_changed = true;
    const QSignalBlocker quiet(m_chkNull);
    m_chkNull->setChecked(false);
    m_null = false;
    showBytes();
}

void BlobWindow::cmdSave_Click()
{
    QString suggested = m_subject.column + QStringLiteral(".bin");
    suggested.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString path = m_files.saveFile(QStringLiteral("Save BLOB to File"), AllFilesFilter,
                                          suggested);
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_bytes) != m_bytes.size()
        || !file.commit())
        m_messages.warn(app::ShortTitle(),
                        QStringLiteral("Could not write %1: %2").arg(path, file.errorString()));
}

} // namespace ui
