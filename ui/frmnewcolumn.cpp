#include "ui/frmnewcolumn.h"

#include "app/errortrap.h"
#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "ui/frmnewtable.h"
#include "ui/windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <stdexcept>

namespace ui {

frmNewColumn::frmNewColumn(Windows &windows, QWidget *parent)
    : QDialog(parent), m_windows(windows)
{
    setObjectName(QStringLiteral("frmNewColumn"));
    setWindowTitle(QStringLiteral("Add a New Column"));
    setFont(DialogFont());
    setFixedSize(Twips(8040), Twips(2670));
    setModal(true);
    createControls();
    auto *hover = new HoverRule(m_pointer, this);
    hover->hand(m_pushButton1);
    hover->plain(this);
}

QLabel *frmNewColumn::newLabel(const char *name, const char *caption, int left, int top,
                               int width)
{
    auto *label = new QLabel(QString::fromLatin1(caption), this);
    label->setObjectName(QString::fromLatin1(name));
    PlaceTwips(label, left, top, width, 225);
    // Where Arial is missing a wider or taller face stands in: the caption
    // is not cut off, and the box beside it stays on top.
    label->resize(std::max(label->width(), label->sizeHint().width()),
                  std::max(label->height(), label->fontMetrics().height()));
    label->lower();
    return label;
}

void frmNewColumn::createControls()
{
    auto newEdit = [this](const char *name, int left, int top, int width) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        PlaceTwips(edit, left, top, width, 330);
        return edit;
    };
    m_txtName = newEdit("txtName", 1080, 120, 6840);
    m_cboDataType = new QComboBox(this);
    m_cboDataType->setObjectName(QStringLiteral("cboDataType"));
    m_cboDataType->addItems(db::sql::DataTypeEntries());
    PlaceTwips(m_cboDataType, 1080, 540, 6840, 345);
    m_txtM = newEdit("txtM", 1080, 960, 2880);
    m_txtD = newEdit("txtD", 5040, 960, 2880);
    m_txtDefault = newEdit("txtDefault", 1080, 1380, 6840);
    m_txtDefault->setToolTip(QStringLiteral(
        "An SQL literal or expression, used as typed: 'abc' (with its quotes) for a text, "
        "0 for a number, CURRENT_TIMESTAMP."));
    newLabel("Label2", "Data Type:", 120, 585, 885);
    m_label1 = newLabel("Label1", "M:", 120, 1005, 195);
    newLabel("Label3", "Default:", 120, 1425, 645);
    m_label4 = newLabel("Label4", "D:", 4410, 1005, 165);
    newLabel("Label5", "Name:", 120, 165, 540);
    m_chkAutoInc = new QCheckBox(QStringLiteral("Auto Increment"), this);
    m_chkAutoInc->setObjectName(QStringLiteral("chkAutoInc"));
    PlaceTwips(m_chkAutoInc, 1080, 1755, 1920, 345);
    m_pushButton1 = NewPushButton(this, "PushButton1", "Add", 120, 2160, 7800, 405);
    m_pushButton1->setAutoDefault(false);

    m_txtName->setAccessibleName(QStringLiteral("Column name"));
    m_cboDataType->setAccessibleName(QStringLiteral("Data type"));
    m_txtM->setAccessibleName(QStringLiteral("Size (M)"));
    m_txtD->setAccessibleName(QStringLiteral("Scale (D)"));
    m_txtDefault->setAccessibleName(QStringLiteral("Default value, as SQL"));

    QWidget *order[] = {m_txtName, m_cboDataType, m_txtM, m_txtD, m_txtDefault, m_chkAutoInc,
                        m_pushButton1};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    m_txtName->setFocus();
    connect(m_pushButton1, &QPushButton::clicked, this, &frmNewColumn::PushButton1_Click);
    connect(m_cboDataType, &QComboBox::currentTextChanged, this, &frmNewColumn::enableSizeBoxes);
    enableSizeBoxes();
}

// M and D only for a type that takes them. What was typed into a box stays
// in it while it is disabled, and counts again when a type takes it.
void frmNewColumn::enableSizeBoxes()
{
    const int parts = db::sql::SizeParts(m_cboDataType->currentText());
    for (QWidget *m : {static_cast<QWidget *>(m_txtM), static_cast<QWidget *>(m_label1)})
        m->setEnabled(parts >= 1);
    for (QWidget *d : {static_cast<QWidget *>(m_txtD), static_cast<QWidget *>(m_label4)})
        d->setEnabled(parts >= 2);
}

int frmNewColumn::showModal()
{
    Form_Load();
    return exec();
}

void frmNewColumn::Form_Load()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::frmNewColumn_Form_Load);
    trap.step(100, [&] { ApplyFormColors(this); });
    trap.step(102, [&] { setWindowIcon(ApplicationIcon()); });
    LoadHandCursorSteps(trap, m_pointer, 104, 106);
    trap.step(108, [&] {
        m_cboDataType->setCurrentIndex(0);
        // A default belongs to an existing table; the new-table statement has
        // none, so in list mode nothing typed there could be lost.
        m_txtDefault->setEnabled(callingform != QLatin1String("frmNewTable"));
    });
    trap.step(110, [&] { m_pointer.set(WindowPointer::Busy); });
    QString connectionString;
    trap.step(112, [&] { connectionString = m_windows.connectionString(); });
    trap.step(116, [&] { m_connection.open(connectionString); });
    trap.step(118, [&] { m_pointer.set(WindowPointer::Default); });
}

db::sql::ColumnSpec frmNewColumn::column() const
{
    return db::sql::ColumnSpec{m_txtName->text(), m_cboDataType->currentText(),
                               m_txtM->isEnabled() ? m_txtM->text() : QString(),
                               m_txtD->isEnabled() ? m_txtD->text() : QString(),
                               m_chkAutoInc->isChecked(), m_txtDefault->text()};
}

// What the server would refuse anyway is said before anything is sent, and
// the dialog stays as the user left it.
bool frmNewColumn::acceptable(const db::sql::ColumnSpec &column)
{
    const QString problem = db::sql::ColumnSpecProblem(column);
    if (problem.isEmpty())
        return true;
    m_windows.services().messages.inform(app::ShortTitle(), problem);
    return false;
}

void frmNewColumn::PushButton1_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::frmNewColumn_cmdAdd_Click);
    if (trap.test(100, [&] { return db::sql::IsBlank(m_txtName->text()); }))
        return;
    const db::sql::ColumnSpec wanted = column();
    if (trap.test(102, [&] { return callingform == QLatin1String("Form3"); }))
        addToTable(trap, wanted);
    else if (trap.test(132, [&] { return callingform == QLatin1String("frmNewTable"); }))
        addToList(trap, wanted);
}

// The column statement and, when a default is given, the default statement,
// each committed on its own. A refused column keeps the dialog open.
void frmNewColumn::addToTable(app::ErrorTrap &trap, const db::sql::ColumnSpec &wanted)
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    QString sql;
    bool valid = false;
    trap.step(104, [&] {
        valid = acceptable(wanted);
        sql = db::sql::AddColumn(m_windows.currentTable, wanted);
    });
    if (!valid)
        return;
    trap.step(118, [&] { m_pointer.set(WindowPointer::Busy); });
    bool added = false;
    trap.step(120, [&] {
        if (!m_connection.isOpen())
            m_connection.open(m_windows.connectionString());
        m_connection.execute(sql);
        added = true;
    });
    if (!added) {
        m_pointer.set(WindowPointer::Default);
        return;
    }
    bool defaultSet = true;
    if (trap.test(122, [&] { return !db::sql::IsBlank(wanted.defaultValue); })) {
        defaultSet = false;
        trap.step(124, [&] {
            sql = db::sql::SetColumnDefault(m_windows.currentTable, wanted.name, wanted.defaultValue);
        });
        trap.step(126, [&] {
            m_connection.execute(sql);
            defaultSet = true;
        });
    }
    trap.step(128, [&] { m_pointer.set(WindowPointer::Default); });
    trap.step(130, [&] {
        messages.inform(app::ShortTitle(), defaultSet
                                               ? QStringLiteral("Column added.")
                                               : QStringLiteral("Column added, without its default value."));
    });
    trap.step(150, [&] { accept(); });
}

void frmNewColumn::addToList(app::ErrorTrap &trap, const db::sql::ColumnSpec &wanted)
{
    QTreeWidgetItem *row = nullptr;
    bool valid = false;
    trap.step(134, [&] {
        if (!(valid = acceptable(wanted)))
            return;
        if (!fieldList)
            throw std::runtime_error("There is no field list to add to.");
        row = new QTreeWidgetItem(fieldList, QStringList{wanted.name});
    });
    if (!valid || !row)
        return;
    trap.step(136, [&] { row->setText(FieldColumn::DataType, wanted.type); });
    trap.step(138, [&] { SetPrecisionCell(row, wanted); });
    trap.step(146, [&] {
        row->setText(FieldColumn::AutoIncrement, db::sql::IdentityText(wanted));
        row->setToolTip(FieldColumn::AutoIncrement, db::sql::IdentityText(wanted));
    });
    trap.step(150, [&] { accept(); });
}

void frmNewColumn::keyPressEvent(QKeyEvent *event)
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    if (!TakeCommonKey(this, event,
                       [&] { messages.inform(app::ShortTitle(), app::NewColumnUsageText()); }))
        QDialog::keyPressEvent(event);
}

} // namespace ui
