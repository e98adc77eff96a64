#include "ui/frmnewtable.h"

#include "app/errortrap.h"
#include "app/files.h"
#include "app/helptexts.h"
#include "app/titles.h"
#include "db/client/schemachange.h"
#include "ui/frmnewcolumn.h"
#include "ui/windows.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <stdexcept>

namespace ui {

namespace {

constexpr int MRole = Qt::UserRole;
constexpr int DRole = Qt::UserRole + 1;

} // namespace

void SetPrecisionCell(QTreeWidgetItem *row, const db::sql::ColumnSpec &column)
{
    row->setText(FieldColumn::Precision, db::sql::PrecisionText(column));
    row->setData(FieldColumn::Precision, MRole, column.m);
    row->setData(FieldColumn::Precision, DRole, column.d);
}

QList<db::sql::ColumnSpec> FieldRows(const QTreeWidget *list)
{
    QList<db::sql::ColumnSpec> fields;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        fields << db::sql::ColumnSpec{row->text(FieldColumn::Name),
                                      row->text(FieldColumn::DataType),
                                      row->data(FieldColumn::Precision, MRole).toString(),
                                      row->data(FieldColumn::Precision, DRole).toString(),
                                      !row->text(FieldColumn::AutoIncrement).isEmpty(),
                                      {}};
    }
    return fields;
}

frmNewTable::frmNewTable(Windows &windows, QWidget *parent)
    : QDialog(parent), m_windows(windows)
{
    setObjectName(QStringLiteral("frmNewTable"));
    setWindowTitle(QStringLiteral("Add New Table"));
    setFont(DialogFont());
    setFixedSize(Twips(8040), Twips(4455));
    setModal(true);
    createControls();
    auto *hover = new HoverRule(m_pointer, this);
    for (QWidget *button : {m_pushButton1, m_pushButton2, m_pushButton3, m_pushButton4})
        hover->hand(button);
    for (QWidget *plain : {static_cast<QWidget *>(this), static_cast<QWidget *>(m_frame1),
                           static_cast<QWidget *>(m_frame2),
                           static_cast<QWidget *>(m_listView1->viewport())})
        hover->plain(plain);
}

void frmNewTable::createControls()
{
    m_frame1 = new QGroupBox(QStringLiteral("Field(s)"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    PlaceTwips(m_frame1, 120, 990, 7800, 2835);
    m_pushButton4 = NewPushButton(m_frame1, "PushButton4", "Add", 240, 2220, 3600, 405);
    m_pushButton1 = NewPushButton(m_frame1, "PushButton1", "Delete Selected", 3960, 2220, 3600, 405);
    m_pushButton2 = NewPushButton(this, "PushButton2", "Save", 120, 3930, 3840, 405);
    m_pushButton3 = NewPushButton(this, "PushButton3", "Cancel", 4080, 3930, 3840, 405);
    m_listView1 = new QTreeWidget(m_frame1);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setRootIsDecorated(false);
    m_listView1->setColumnCount(0);
    m_listView1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listView1->header()->setStretchLastSection(false);
    PlaceTwips(m_listView1, 240, 300, 7320, 1815);
    m_frame2 = new QGroupBox(QStringLiteral("Table Name"), this);
    m_frame2->setObjectName(QStringLiteral("Frame2"));
    PlaceTwips(m_frame2, 120, 120, 7800, 795);
    m_txtName = new QLineEdit(m_frame2);
    m_txtName->setObjectName(QStringLiteral("txtName"));
    PlaceTwips(m_txtName, 240, 300, 7305, 330);

    m_txtName->setAccessibleName(QStringLiteral("Table name"));
    m_listView1->setAccessibleName(QStringLiteral("Fields of the new table"));

    QWidget *order[] = {m_pushButton4, m_pushButton1, m_pushButton2, m_pushButton3, m_listView1,
                        m_txtName};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(order[i], order[i + 1]);
    for (QPushButton *button : {m_pushButton1, m_pushButton2, m_pushButton3, m_pushButton4})
        button->setAutoDefault(false);
    m_pushButton4->setFocus();

    connect(m_pushButton4, &QPushButton::clicked, this, &frmNewTable::PushButton4_Click);
    connect(m_pushButton1, &QPushButton::clicked, this, &frmNewTable::PushButton1_Click);
    connect(m_pushButton2, &QPushButton::clicked, this, &frmNewTable::PushButton2_Click);
    connect(m_pushButton3, &QPushButton::clicked, this, &frmNewTable::PushButton3_Click);
}

void frmNewTable::addHeader(const QString &text)
{
    const int column = m_listView1->columnCount();
    m_listView1->setColumnCount(column + 1);
    m_listView1->headerItem()->setText(column, text);
}

int frmNewTable::showModal()
{
    Form_Load();
    return exec();
}

void frmNewTable::Form_Load()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::frmNewTable_Form_Load);
    trap.step(100, [&] { ApplyFormColors(this); });
    trap.step(102, [&] { setWindowIcon(ApplicationIcon()); });
    LoadHandCursorSteps(trap, m_pointer, 104, 106);
    trap.step(108, [&] { addHeader(QStringLiteral("Field Name")); });
    trap.step(110, [&] { addHeader(QStringLiteral("Data Type")); });
    trap.step(112, [&] { addHeader(QStringLiteral("Precision")); });
    trap.step(114, [&] { addHeader(QStringLiteral("Autoincrement")); });
    trap.step(116, [&] { m_listView1->setColumnWidth(0, Twips(1500)); });
    trap.step(118, [&] { m_listView1->setColumnWidth(1, Twips(1500)); });
    trap.step(120, [&] { m_listView1->setColumnWidth(2, Twips(1000)); });
    trap.step(122, [&] { m_listView1->setColumnWidth(3, Twips(1500)); });
}

void frmNewTable::PushButton4_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::frmNewTable_cmdAdd_Click);
    frmNewColumn dialog(m_windows, this);
    trap.step(100, [&] {
        dialog.callingform = QStringLiteral("frmNewTable");
        dialog.fieldList = m_listView1;
    });
    trap.step(102, [&] { dialog.showModal(); });
}

// Rows but none selected: nothing to remove, nothing to say.
void frmNewTable::PushButton1_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::frmNewTable_PushButton1_Click);
    if (trap.test(100, [&] { return m_pointer.value() == WindowPointer::Busy; }))
        return;
    if (trap.test(102, [&] { return m_listView1->topLevelItemCount() > 0; })) {
        trap.step(104, [&] { qDeleteAll(m_listView1->selectedItems()); });
    }
}

void frmNewTable::PushButton2_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::frmNewTable_PushButton2_Click);
    db::SchemaChange connection;
    if (trap.test(102, [&] { return m_txtName->text().isEmpty(); }))
        return;
    if (trap.test(104, [&] { return m_listView1->topLevelItemCount() == 0; }))
        return;
    QString sql;
    trap.step(106, [&] {
        sql = db::sql::CreateTable(db::sql::TableSpec{m_txtName->text(), FieldRows(m_listView1)});
    });
    trap.step(118, [&] { m_pointer.set(WindowPointer::Busy); });
    trap.step(120, [&] { connection.open(m_windows.connectionString()); });
    bool created = false;
    if (connection.isOpen()) {
        trap.step(124, [&] {
            connection.execute(sql);
            created = true;
        });
    }
    trap.step(126, [&] { connection = db::SchemaChange(); });
    trap.step(128, [&] { m_pointer.set(WindowPointer::Default); });
    // A refused statement leaves the name and the rows for the user to mend.
    if (created)
        trap.step(130, [&] { accept(); });
}

void frmNewTable::PushButton3_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::frmNewTable_PushButton3_Click);
    trap.step(100, [&] { reject(); });
}

void ShowNewTableDialog(Windows &windows, QWidget *parent)
{
    frmNewTable dialog(windows, parent);
    dialog.showModal();
}

void frmNewTable::keyPressEvent(QKeyEvent *event)
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    if (!TakeCommonKey(this, event,
                       [&] { messages.inform(app::ShortTitle(), app::NewTableUsageText()); }))
        QDialog::keyPressEvent(event);
}

} // namespace ui
