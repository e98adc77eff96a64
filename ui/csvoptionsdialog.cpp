#include "ui/csvoptionsdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

CsvOptionsDialog::CsvOptionsDialog(bool hasSelection, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CsvOptionsDialog"));
    setWindowTitle(QStringLiteral("CSV Options"));
    m_byteOrderMark = new QCheckBox(
        QStringLiteral("UTF-8 &byte-order mark (for spreadsheet programs)"), this);
    m_byteOrderMark->setObjectName(QStringLiteral("byteOrderMark"));
    m_delimiter = new QComboBox(this);
    m_delimiter->setObjectName(QStringLiteral("delimiter"));
    m_delimiter->addItem(QStringLiteral("Comma (,)"), QVariant(QChar(u',')));
    m_delimiter->addItem(QStringLiteral("Semicolon (;)"), QVariant(QChar(u';')));
    m_delimiter->addItem(QStringLiteral("TAB"), QVariant(QChar(u'\t')));
    m_nullText = new QLineEdit(this);
    m_nullText->setObjectName(QStringLiteral("nullText"));
    m_nullText->setPlaceholderText(QStringLiteral("nothing (an empty field)"));
    m_allRows = new QRadioButton(QStringLiteral("&All rows the filter shows"), this);
    m_allRows->setObjectName(QStringLiteral("allRows"));
    m_allRows->setChecked(true);
    m_selectedRows = new QRadioButton(QStringLiteral("&Selected rows only"), this);
    m_selectedRows->setObjectName(QStringLiteral("selectedRows"));
    m_selectedRows->setEnabled(hasSelection);

    auto *form = new QFormLayout;
    form->addRow(m_byteOrderMark);
    form->addRow(QStringLiteral("&Delimiter:"), m_delimiter);
    form->addRow(QStringLiteral("&NULL is written as:"), m_nullText);
    form->addRow(m_allRows);
    form->addRow(m_selectedRows);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Export"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("exportButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

exports::CsvOptions CsvOptionsDialog::options() const
{
    exports::CsvOptions options;
    options.byteOrderMark = m_byteOrderMark->isChecked();
    options.delimiter = m_delimiter->currentData().toChar();
    options.nullText = m_nullText->text();
    return options;
}

bool CsvOptionsDialog::selectedRowsOnly() const
{
    return m_selectedRows->isChecked();
}

} // namespace ui
