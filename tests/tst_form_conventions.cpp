#include "app/files.h"
#include "ui/conventions.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

void MoveOver(QWidget *widget, QPoint at = QPoint(1, 1))
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), widget->mapToGlobal(QPointF(at)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

} // namespace

class TestFormConventions : public QObject
{
    Q_OBJECT

private slots:
    void twips();
    void fonts();
    void handCursorFile();
    void unreadableCursorFiles();
    void pointerValues();
    void customPointerWithoutPicture();
    void hoverRule();
    void formColors();
    void skin();
    void noSkinFile();
};

void TestFormConventions::twips()
{
    QCOMPARE(ui::Twips(8040), 536);
    QCOMPARE(ui::Twips(3525), 235);
    QCOMPARE(ui::Twips(14400), 960);
    QCOMPARE(ui::Twips(7455), 497);
    QCOMPARE(ui::Twips(405), 27);
    QCOMPARE(ui::Twips(255), 17);
    QCOMPARE(ui::Twips(1095), 73);
}

void TestFormConventions::fonts()
{
    QCOMPARE(ui::WindowFont().family(), QStringLiteral("Arial"));
    QVERIFY(ui::WindowFont().bold());
    QCOMPARE(ui::WindowFont().pointSizeF(), 9.0);
    QCOMPARE(ui::PushButtonFont().pointSizeF(), 11.25);
    QVERIFY(ui::PushButtonFont().bold());
}

void TestFormConventions::handCursorFile()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
    QVERIFY(app::FileExists(app::HandCursorPath()));
    const auto cursor = ui::LoadCursorFile(app::HandCursorPath());
    QVERIFY(cursor.has_value());
    QCOMPARE(cursor->shape(), Qt::BitmapCursor);
    QCOMPARE(cursor->hotSpot(), QPoint(5, 0));
    QCOMPARE(cursor->pixmap().size(), QSize(32, 32));
    // Transparent around the hand, opaque at the finger tip.
    const QImage image = cursor->pixmap().toImage();
    QCOMPARE(qAlpha(image.pixel(31, 31)), 0);
    QCOMPARE(qAlpha(image.pixel(5, 0)), 255);
}

void TestFormConventions::unreadableCursorFiles()
{
    QTemporaryDir dir;
    QVERIFY(!ui::LoadCursorFile(dir.filePath("none.cur")).has_value());
    QFile junk(dir.filePath("junk.cur"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(100, 'j'));
    junk.close();
    QVERIFY(!ui::LoadCursorFile(junk.fileName()).has_value());
}

void TestFormConventions::pointerValues()
{
    QWidget window;
    ui::WindowPointer pointer(&window);
    QCOMPARE(pointer.value(), 0);
    pointer.hover(99);
    QCOMPARE(pointer.value(), 99);
    pointer.set(11);
    QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
    pointer.hover(99);
    pointer.hover(0);
    QCOMPARE(pointer.value(), 11);   // busy survives all hovering
    QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
    pointer.set(0);
    QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    const auto hand = ui::LoadCursorFile(qEnvironmentVariable("GRAVELIN_BIN_DIR") + "/HAND-M.CUR");
    QVERIFY(hand.has_value());
    pointer.setPicture(*hand);
    pointer.hover(99);
    QCOMPARE(window.cursor().shape(), Qt::BitmapCursor);
}

void TestFormConventions::customPointerWithoutPicture()
{
    QWidget window;
    ui::WindowPointer pointer(&window);
    app::SetProgramFolder(QTemporaryDir().path());
    QVERIFY(!ui::LoadHandPicture(pointer));
    pointer.hover(99);
    QCOMPARE(pointer.value(), 99);
    QCOMPARE(window.cursor().shape(), Qt::PointingHandCursor);
}

void TestFormConventions::hoverRule()
{
    QWidget window;
    window.resize(300, 200);
    auto *frame = new QGroupBox("Frame", &window);
    frame->setGeometry(10, 10, 200, 150);
    auto *label = new QLabel("Label", frame);
    label->setGeometry(10, 20, 50, 20);
    auto *button = new QPushButton("Button", frame);
    button->setGeometry(10, 60, 80, 25);
    auto *edit = new QLineEdit(frame);
    edit->setGeometry(10, 100, 80, 25);
    ui::WindowPointer pointer(&window);
    auto *rule = new ui::HoverRule(pointer, &window);
    rule->hand(button);
    rule->plain(&window);
    rule->plain(frame);

    MoveOver(button);
    QCOMPARE(pointer.value(), 99);     // the move also reaches the frame and the window
    MoveOver(label);
    QCOMPARE(pointer.value(), 99);
    MoveOver(edit);                    // not registered
    QCOMPARE(pointer.value(), 99);
    MoveOver(frame, QPoint(150, 140)); // empty part of the frame
    QCOMPARE(pointer.value(), 0);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), button->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(button, &enter);
    QCOMPARE(pointer.value(), 99);
    MoveOver(&window, QPoint(280, 190));
    QCOMPARE(pointer.value(), 0);
}

void TestFormConventions::formColors()
{
    QWidget window;
    QPalette strange = window.palette();
    strange.setColor(QPalette::Window, Qt::magenta);
    window.setPalette(strange);
    auto *label = new QLabel("L", &window);
    auto *frame = new QGroupBox("F", &window);
    auto *edit = new QLineEdit(&window);
    auto *button = new QPushButton("B", &window);
    const QColor face = window.palette().color(QPalette::Button);
    const QColor editBefore = edit->palette().color(QPalette::Base);
    ui::ApplyFormColors(&window);
    QCOMPARE(window.palette().color(QPalette::Window), face);
    QCOMPARE(label->palette().color(QPalette::Window), face);
    QCOMPARE(frame->palette().color(QPalette::Window), face);
    QCOMPARE(edit->palette().color(QPalette::Base), editBefore);
    QVERIFY(!button->testAttribute(Qt::WA_SetPalette));
    QVERIFY(!edit->testAttribute(Qt::WA_SetPalette));
    QVERIFY(window.autoFillBackground());
}

void TestFormConventions::skin()
{
    app::SetProgramFolder(qEnvironmentVariable("GRAVELIN_BIN_DIR"));
    QVERIFY(app::FileExists(app::SkinFilePath()));
    QWidget window;
    auto *label = new QLabel("L", &window);
    ui::ApplySkin(&window);
    QVERIFY(window.styleSheet().contains("QPushButton"));
    QCOMPARE(label->palette().color(QPalette::Window), window.palette().color(QPalette::Button));
}

void TestFormConventions::noSkinFile()
{
    QTemporaryDir empty;
    app::SetProgramFolder(empty.path());
    QWidget window;
    auto *label = new QLabel("L", &window);
    ui::ApplySkin(&window);
    QVERIFY(window.styleSheet().isEmpty());
    QVERIFY(!window.testAttribute(Qt::WA_SetPalette));
    QVERIFY(!label->testAttribute(Qt::WA_SetPalette));
}

QTEST_MAIN(TestFormConventions)
#include "tst_form_conventions.moc"
