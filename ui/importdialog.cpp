#include "ui/importdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ui {

namespace {

constexpr int PreviewRows = 100;
constexpr qint64 SniffBytes = 64 * 1024;
const QColor RefusedCellColor(255, 214, 214);
const QColor SkippedCellColor(235, 235, 235);
const QColor NullCellColor(128, 128, 128);

QString Delimited(QChar delimiter)
{
    if (delimiter == u'\t')
        return QStringLiteral("TAB");
    if (delimiter == u';')
        return QStringLiteral("Semicolon (;)");
    return QStringLiteral("Comma (,)");
}

// A cell shows the start of a long value: the whole would only slow the grid.
QString Shown(const QString &text)
{
    constexpr qsizetype Longest = 400;
    return text.size() <= Longest ? text : text.left(Longest) + QStringLiteral("\u2026");
}

int FieldCount(const exports::ImportPreview &preview)
{
    return preview.records.empty() ? 0 : int(preview.records.front().fields.size());
}

} // namespace

ImportDialog::ImportDialog(const QString &path, const QString &table,
                           std::vector<db::ImportTarget> targets, QWidget *parent)
    : QDialog(parent), m_path(path), m_table(table), m_targets(std::move(targets))
{
    setObjectName(QStringLiteral("ImportDialog"));
    setWindowTitle(QStringLiteral("Import Rows"));
    createControls();
    sniff();
    readFile();
    mapByDefault();
    showPreview();
    resize(900, 560);
}

void ImportDialog::createEncodings()
{
    m_encodings = {{exports::TextEncoding::Utf8, {}},
                   {exports::TextEncoding::Windows1252, {}},
                   {exports::TextEncoding::Latin1, {}}};
    // The table's own single-byte character set, when the platform can read it.
    for (const db::ImportTarget &target : m_targets) {
        const QString name = exports::EncodingOfCharSet(target.charSet);
        if (name.isEmpty() || name == QLatin1String("windows-1252")
            || name == QLatin1String("ISO-8859-1"))
            continue;
        if (QStringDecoder(name.toLatin1().constData()).isValid())
            m_encodings.push_back({exports::TextEncoding::Named, name});
        break;
    }
    for (const exports::TextEncoding &encoding : m_encodings)
        m_encoding->addItem(encoding.kind == exports::TextEncoding::Named
                                ? QStringLiteral("%1 (the table's character set)")
                                      .arg(encoding.title())
                                : encoding.title());
}

QWidget *ImportDialog::createOptionRow()
{
    auto *options = new QWidget(this);
    auto *layout = new QVBoxLayout(options);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *reading = new QHBoxLayout;
    auto *cells = new QHBoxLayout;
    layout->addLayout(reading);
    layout->addLayout(cells);
    const auto labelled = [this](QHBoxLayout *row, const QString &text, QWidget *control) {
        auto *label = new QLabel(text, this);
        label->setBuddy(control);
        row->addWidget(label);
        row->addWidget(control);
    };
    labelled(reading, QStringLiteral("&Encoding:"), m_encoding);
    labelled(reading, QStringLiteral("&Delimiter:"), m_delimiter);
    reading->addWidget(m_captions);
    reading->addStretch();
    labelled(cells, QStringLiteral("Empty ce&lls:"), m_emptyCells);
    labelled(cells, QStringLiteral("NULL &text:"), m_nullText);
    cells->addWidget(m_skipRefused);
    cells->addWidget(m_updateSameKey);
    cells->addStretch();
    return options;
}

void ImportDialog::createControls()
{
    auto *file = new QLabel(QStringLiteral("Rows of %1 into the table %2")
                                .arg(QFileInfo(m_path).fileName(), m_table),
                            this);
    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold"));
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName(QStringLiteral("encoding"));
    createEncodings();
    m_delimiter = new QComboBox(this);
    m_delimiter->setObjectName(QStringLiteral("delimiter"));
    for (const QChar delimiter : {u',', u';', u'\t'})
        m_delimiter->addItem(Delimited(delimiter), QVariant(delimiter));
    m_captions = new QCheckBox(QStringLiteral("First line holds the column &names"), this);
    m_captions->setObjectName(QStringLiteral("captions"));
    m_emptyCells = new QComboBox(this);
    m_emptyCells->setObjectName(QStringLiteral("emptyCells"));
    m_emptyCells->addItems({QStringLiteral("NULL"), QStringLiteral("Empty text")});
    m_nullText = new QLineEdit(this);
    m_nullText->setObjectName(QStringLiteral("nullText"));
    m_nullText->setPlaceholderText(QStringLiteral("such as NULL"));
    m_nullText->setMaximumWidth(120);
    m_skipRefused = new QCheckBox(QStringLiteral("&Skip refused rows"), this);
    m_skipRefused->setObjectName(QStringLiteral("skipRefused"));
    m_updateSameKey = new QCheckBox(QStringLiteral("&Update rows with the same key"), this);
    m_updateSameKey->setObjectName(QStringLiteral("updateSameKey"));
    m_updateSameKey->setEnabled(std::any_of(m_targets.begin(), m_targets.end(),
                                            [](const db::ImportTarget &t) { return t.inKey; }));
    m_grid = new QTableWidget(this);
    m_grid->setObjectName(QStringLiteral("preview"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_rowCount = new QLabel(this);
    m_rowCount->setObjectName(QStringLiteral("rowCount"));
    m_import = new QPushButton(QStringLiteral("Import"), this);
    m_import->setObjectName(QStringLiteral("importButton"));
    m_import->setDefault(true);
    m_import->setAutoDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_rowCount, 1);
    buttons->addWidget(m_import);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addWidget(m_problem);
    layout->addWidget(createOptionRow());
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);

    connect(m_import, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    const auto reread = [this] {
        if (m_filling)
            return;
        readFile();
        mapByDefault();
        showPreview();
    };
    connect(m_encoding, &QComboBox::currentIndexChanged, this, reread);
    connect(m_delimiter, &QComboBox::currentIndexChanged, this, reread);
    connect(m_captions, &QCheckBox::toggled, this, [this] {
        if (m_filling)
            return;
        mapByDefault();
        showPreview();
    });
    connect(m_emptyCells, &QComboBox::currentIndexChanged, this, &ImportDialog::showPreview);
    connect(m_nullText, &QLineEdit::textChanged, this, &ImportDialog::showPreview);
    connect(m_updateSameKey, &QCheckBox::toggled, this, &ImportDialog::showState);
}

// The file's first bytes tell the delimiter and whether it is UTF-8.
void ImportDialog::sniff()
{
    QFile file(m_path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(SniffBytes) : QByteArray();
    m_sniff = exports::SniffFile(head, m_path);
    m_filling = true;
    m_delimiter->setCurrentIndex(m_delimiter->findData(QVariant(m_sniff.layout.delimiter)));
    m_filling = false;
}

exports::TextEncoding ImportDialog::chosenEncoding() const
{
    const int index = std::max(0, m_encoding->currentIndex());
    return m_encodings[size_t(index)];
}

void ImportDialog::readFile()
{
    exports::TextLayout layout;
    layout.delimiter = m_delimiter->currentData().toChar();
    layout.trailingTab = layout.delimiter == u'\t' && m_sniff.layout.trailingTab;
    m_preview = exports::ReadPreview(m_path, chosenEncoding(), layout, PreviewRows);
    QStringList names;
    for (const db::ImportTarget &target : m_targets)
        names << target.column.name;
    const bool captions = !m_preview.records.empty()
                          && exports::LooksLikeCaptions(m_preview.records.front().fields, names);
    m_filling = true;
    m_captions->setChecked(captions);
    m_filling = false;
}

void ImportDialog::mapByDefault()
{
    const QStringList captions = m_preview.records.empty() ? QStringList()
                                                           : m_preview.records.front().fields;
    m_mapping = exports::DefaultMapping(m_targets, captions, m_captions->isChecked(),
                                        FieldCount(m_preview));
}

exports::ImportOptions ImportDialog::options() const
{
    exports::ImportOptions options;
    options.encoding = chosenEncoding();
    options.layout.delimiter = m_delimiter->currentData().toChar();
    options.layout.trailingTab = options.layout.delimiter == u'\t' && m_sniff.layout.trailingTab;
    options.captions = m_captions->isChecked();
    options.emptyIsNull = m_emptyCells->currentIndex() == 0;
    options.nullText = m_nullText->text();
    options.skipRefused = m_skipRefused->isChecked();
    options.updateSameKey = m_updateSameKey->isChecked();
    options.mapping = m_mapping;
    return options;
}

exports::RowCount ImportDialog::rowCount() const
{
    return m_preview.rowCount(m_captions->isChecked());
}

// Row 0 holds a choice per column: the field it takes, or "skip".
void ImportDialog::fillMappingRow()
{
    const QStringList captions = m_preview.records.empty() ? QStringList()
                                                           : m_preview.records.front().fields;
    for (int column = 0; column < int(m_targets.size()); ++column) {
        auto *choice = new QComboBox(m_grid);
        choice->setObjectName(QStringLiteral("map%1").arg(column));
        choice->addItem(QStringLiteral("skip"), -1);
        for (int field = 0; field < FieldCount(m_preview); ++field) {
            const QString caption = m_captions->isChecked() ? captions.value(field) : QString();
            choice->addItem(caption.isEmpty() ? QStringLiteral("field %1").arg(field + 1)
                                              : QStringLiteral("%1: %2").arg(field + 1).arg(caption),
                            field);
        }
        const bool importable = exports::CanImportInto(m_targets[size_t(column)]);
        choice->setEnabled(importable);
        choice->setCurrentIndex(choice->findData(m_mapping[size_t(column)]));
        connect(choice, &QComboBox::currentIndexChanged, this, [this, column, choice] {
            m_mapping[size_t(column)] = choice->currentData().toInt();
            showPreview();
        });
        m_grid->setCellWidget(0, column, choice);
    }
}

void ImportDialog::showCell(int row, int column, const exports::Record &record,
                            const exports::ImportOptions &options)
{
    const db::ImportTarget &target = m_targets[size_t(column)];
    const int field = m_mapping[size_t(column)];
    auto *item = new QTableWidgetItem;
    if (field < 0) {
        item->setBackground(SkippedCellColor);
    } else {
        const QString text = record.fields.value(field);
        const db::ParsedCell cell =
            exports::ConvertField(target, text, record.isQuoted(field), options);
        if (!cell.ok) {
            ++m_refusedCells;
            item->setText(QStringLiteral("%1  \u2716 %2").arg(Shown(text), cell.error));
            item->setToolTip(cell.error);
            item->setBackground(RefusedCellColor);
        } else {
            item->setText(Shown(exports::StoredText(target.column, cell)));
            if (cell.null) {
                QFont italic = item->font();
                italic.setItalic(true);
                item->setFont(italic);
                item->setForeground(NullCellColor);
            }
        }
    }
    m_grid->setItem(row, column, item);
}

void ImportDialog::showPreview()
{
    const exports::ImportOptions current = options();
    const int skip = current.captions ? 1 : 0;
    const int rows = std::max(0, int(m_preview.records.size()) - skip);
    const int shown = std::min(rows, PreviewRows);
    m_grid->clear();
    m_grid->setRowCount(1 + shown);
    m_grid->setColumnCount(int(m_targets.size()));
    QStringList headings, lines{QStringLiteral("field")};
    for (const db::ImportTarget &target : m_targets)
        headings << target.column.name;
    m_grid->setHorizontalHeaderLabels(headings);
    fillMappingRow();
    m_refusedCells = 0;
    for (int row = 0; row < shown; ++row) {
        const exports::Record &record = m_preview.records[size_t(row + skip)];
        lines << QStringLiteral("line %1").arg(record.line);
        for (int column = 0; column < int(m_targets.size()); ++column)
            showCell(row + 1, column, record, current);
    }
    m_grid->setVerticalHeaderLabels(lines);
    m_grid->resizeColumnsToContents();
    for (int column = 0; column < m_grid->columnCount(); ++column)
        m_grid->setColumnWidth(column, std::min(m_grid->columnWidth(column), 260));
    showState();
}

QString ImportDialog::problem() const
{
    if (!m_sniff.utf8 && chosenEncoding().kind == exports::TextEncoding::Utf8)
        return QStringLiteral("The file is not valid UTF-8 (line %1 is the first that is not). "
                              "Choose the encoding it was written in: Windows-1252, "
                              "ISO-8859-1 or the table's character set.")
            .arg(m_sniff.invalidLine);
    if (!m_preview.problem.isEmpty())
        return m_preview.problem;
    if (std::none_of(m_mapping.begin(), m_mapping.end(), [](int field) { return field >= 0; }))
        return QStringLiteral("No column takes a field. Choose a field above at least one "
                              "column.");
    return {};
}

void ImportDialog::showState()
{
    const QString text = problem();
    m_problem->setText(text);
    m_problem->setVisible(!text.isEmpty());
    m_import->setEnabled(text.isEmpty());
    QString count = exports::RowCountText(rowCount()) + QStringLiteral(" to import");
    if (m_refusedCells > 0)
        count += QStringLiteral("; %1 cell%2 of the preview will not convert")
                     .arg(m_refusedCells)
                     .arg(m_refusedCells == 1 ? QString() : QStringLiteral("s"));
    m_rowCount->setText(count);
}

} // namespace ui
