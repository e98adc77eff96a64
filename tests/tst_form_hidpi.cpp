#include "app/files.h"
#include "ui/frmnewcolumn.h"
#include "ui/frmnewtable.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>

#include <memory>

#include "tst_form_harness.h"

using namespace formtest;

// Every window at the scale ctest runs this with (QT_SCALE_FACTOR 1.5 and
// 2): nothing lies outside its window, no caption is cut off, and the
// editor's grid takes what the window grows by. With GRAVELIN_SCREENSHOTS
// set to a folder, each window is saved there as a picture to look at.
class TestFormHiDpi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void windowLayout_data();
    void windowLayout();
    void editorGrowsItsGrid();

private:
    QWidget *window(const QString &name);

    std::unique_ptr<testsupport::TempDatabase> m_db;
    std::unique_ptr<Harness> m_h;
    std::unique_ptr<QDialog> m_dialog;
};

namespace {

// The room a control's caption needs beside its text: frames, margins, the
// box of a check box.
int CaptionRoom(QWidget *control)
{
    if (auto *check = qobject_cast<QCheckBox *>(control))
        return check->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check) + 4;
    if (qobject_cast<QGroupBox *>(control))
        return 16;
    if (qobject_cast<QPushButton *>(control))
        return 6;
    return 0;
}

QString Caption(QWidget *control)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->text();
    if (auto *label = qobject_cast<QLabel *>(control))
        return label->text();
    if (auto *frame = qobject_cast<QGroupBox *>(control))
        return frame->title();
    return {};
}

} // namespace

void TestFormHiDpi::initTestCase()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
    QVERIFY2(qEnvironmentVariableIsSet("QT_SCALE_FACTOR"), "ctest runs this at a scale");
    m_db = std::make_unique<testsupport::TempDatabase>();
    m_db->exec({"CREATE TABLE CUSTOMERS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40))",
                "INSERT INTO CUSTOMERS VALUES (1, 'Ada Lovelace')",
                "INSERT INTO CUSTOMERS VALUES (2, 'Blaise Pascal')"});
    m_db->release();
    m_h = std::make_unique<Harness>();
    QVERIFY(OpenInEditor(*m_h, *m_db, "CUSTOMERS"));
}

void TestFormHiDpi::cleanupTestCase()
{
    m_dialog.reset();
    m_h.reset();
}

QWidget *TestFormHiDpi::window(const QString &name)
{
    if (name == "Form1")
        return &m_h->windows.form1();
    if (name == "Form2")
        return &m_h->windows.form2();
    if (name == "Form3")
        return &m_h->windows.form3();
    if (name == "frmNewColumn") {
        auto dialog = std::make_unique<ui::frmNewColumn>(m_h->windows, &m_h->windows.form3());
        dialog->Form_Load();
        m_dialog = std::move(dialog);
    } else {
        auto dialog = std::make_unique<ui::frmNewTable>(m_h->windows, &m_h->windows.form2());
        dialog->Form_Load();
        m_dialog = std::move(dialog);
    }
    return m_dialog.get();
}

void TestFormHiDpi::windowLayout_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name : {"Form1", "Form2", "Form3", "frmNewColumn", "frmNewTable"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestFormHiDpi::windowLayout()
{
    QFETCH(QString, name);
    QWidget *shown = window(name);
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));
    const qreal scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble();
    QCOMPARE(shown->devicePixelRatioF(), scale);
    QCOMPARE(shown->windowIcon().cacheKey(), ui::ApplicationIcon().cacheKey());
    if (name == "Form2")
        QVERIFY(ShowsWholeRows(m_h->windows.form2().List1()));

    const QRect inside = shown->rect();
    const auto children = shown->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (!child->isVisibleTo(shown) || child->isWindow())
            continue;
        const QRect at(child->mapTo(shown, QPoint(0, 0)), child->size());
        QVERIFY2(inside.contains(at), qPrintable(child->objectName() + " of " + name));
        const QString caption = Caption(child);
        if (caption.isEmpty())
            continue;
        const QFontMetrics metrics = child->fontMetrics();
        QVERIFY2(metrics.horizontalAdvance(caption) + CaptionRoom(child) <= child->width(),
                 qPrintable(QString("%1 of %2 cuts off \"%3\"").arg(child->objectName(), name, caption)));
        QVERIFY2(metrics.height() <= child->height(), qPrintable(child->objectName() + " of " + name));
    }
    const QString folder = qEnvironmentVariable("GRAVELIN_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        QVERIFY(shown->grab().save(QString("%1/%2@%3.png").arg(folder, name).arg(scale)));
    }
    shown->hide();
}

void TestFormHiDpi::editorGrowsItsGrid()
{
    ui::Form3 &editor = m_h->windows.form3();
    editor.show();
    const QStringList order = {"PushButton1", "PushButton4", "PushButton8", "PushButton7",
                               "PushButton6", "PushButton3"};
    const QRect grid = editor.DataGrid1()->geometry();
    const int gapBelow = editor.height() - editor.findChild<QPushButton *>("PushButton1")->y();
    editor.resize(editor.width() + 300, editor.height() + 200);
    QCOMPARE(editor.DataGrid1()->size(), grid.size() + QSize(300, 200));
    int right = 0;
    for (const QString &name : order) {
        const QRect button = editor.findChild<QPushButton *>(name)->geometry();
        QCOMPARE(editor.height() - button.y(), gapBelow);   // one row, at the bottom
        QVERIFY2(button.left() > right, qPrintable(name));   // in their order
        QVERIFY(button.top() > editor.DataGrid1()->geometry().bottom());
        right = button.right();
    }
    editor.hide();
}

QTEST_MAIN(TestFormHiDpi)
#include "tst_form_hidpi.moc"
