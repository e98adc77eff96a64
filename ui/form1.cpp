#include "ui/form1.h"

#include "app/errortrap.h"
#include "app/files.h"
#include "app/helptexts.h"
#include "app/pdfprinter.h"
#include "app/settingskeys.h"
#include "app/titles.h"
#include "db/client/firebird.h"
#include "ui/form2.h"
#include "ui/tablelist.h"
#include "ui/windows.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QUrl>

#include <stdexcept>

namespace ui {

namespace {

const char *const BrowseTitle = "Select Firebird Database";
const char *const BrowseFilter = "FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|";
const char *const SamplePassword = "lockstone";

QLineEdit *NewTextBox(QWidget *parent, const char *name, int left, int top, int width,
                      int height)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    PlaceTwips(box, left, top, width, height);
    return box;
}

QLabel *NewLabel(QWidget *parent, const char *name, const QString &caption, int left, int top,
                 int width, int height)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    PlaceTwips(label, left, top, width, height);
    return label;
}

} // namespace

Form1::Form1(Windows &windows)
    : QWidget(nullptr), m_windows(windows)
{
    setObjectName(QStringLiteral("Form1"));
    setFont(WindowFont());
    setFixedSize(Twips(8040), Twips(3525));
    createControls();
    connectHandlers();
    orderTabs();
    nameForAssistiveTools();
    m_hover = new HoverRule(m_pointer, this);
    for (QWidget *button : {m_pushButton1, m_pushButton2, m_pushButton3, m_pushButton4,
                            m_pushButton5, m_pushButton7})
        m_hover->hand(button);
    for (QWidget *plain : {static_cast<QWidget *>(this), static_cast<QWidget *>(m_text1),
                           static_cast<QWidget *>(m_text2), static_cast<QWidget *>(m_frame1)})
        m_hover->plain(plain);
    for (QLineEdit *box : {m_text1, m_text2, m_text7})
        box->installEventFilter(this);
}

void Form1::createControls()
{
    m_pushButton2 = NewPushButton(this, "PushButton2", "Help", 120, 120, 7800, 405);
    createFrame();
    m_pushButton3 = NewPushButton(this, "PushButton3", "Next >", 120, 3000, 7800, 405);
    m_pushButton3->setDefault(true);   // Enter (keyPressEvent)
}

void Form1::createFrame()
{
    m_frame1 = new QGroupBox(QStringLiteral("Firebird / Interbase Login"), this);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    PlaceTwips(m_frame1, 120, 600, 7800, 2265);
    NewLabel(m_frame1, "Label7", "Database:", 240, 345, 975, 255);
    m_text1 = NewTextBox(m_frame1, "Text1", 1320, 300, 5415, 345);
    m_pushButton5 = NewPushButton(m_frame1, "PushButton5", "...", 6840, 300, 705, 345);
    NewLabel(m_frame1, "Label6", "Username:", 240, 795, 1095, 255);
    m_text7 = NewTextBox(m_frame1, "Text7", 1320, 750, 6255, 345);
    NewLabel(m_frame1, "Label1", "Password:", 240, 1245, 1095, 255);
    m_text2 = NewTextBox(m_frame1, "Text2", 1320, 1200, 6255, 345);
    m_text2->setEchoMode(QLineEdit::Password);
    m_pushButton1 = NewPushButton(m_frame1, "PushButton1", "Test Connection", 255, 1680, 3000, 405);
    m_pushButton4 = NewPushButton(m_frame1, "PushButton4", "?", 3360, 1680, 480, 405);
    m_pushButton7 = NewPushButton(m_frame1, "PushButton7", "Load Sample/Example Database",
                                  3960, 1680, 3600, 405);
}

void Form1::connectHandlers()
{
    connect(m_pushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(m_pushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(m_pushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(m_pushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(m_pushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(m_pushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(m_text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    connect(m_text2, &QLineEdit::textChanged, this, &Form1::Text2_Change);
    connect(m_text7, &QLineEdit::textChanged, this, &Form1::Text7_Change);
}

void Form1::orderTabs()
{
    const QWidget *order[] = {m_text1, m_pushButton5, m_text7, m_text2, m_pushButton1,
                              m_pushButton7, m_pushButton3, m_pushButton2, m_pushButton4};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget *>(order[i]), const_cast<QWidget *>(order[i + 1]));
    m_text1->setFocus();
}

// Buttons are named by their captions, unless a caption says too little.
void Form1::nameForAssistiveTools()
{
    m_text1->setAccessibleName(QStringLiteral("Database file"));
    m_text7->setAccessibleName(QStringLiteral("User name"));
    m_text2->setAccessibleName(QStringLiteral("Password"));
    m_pushButton5->setAccessibleName(QStringLiteral("Browse for the database file"));
    m_pushButton4->setAccessibleName(QStringLiteral("Firebird server notice"));
    m_pushButton3->setAccessibleName(QStringLiteral("Next"));
}

db::ConnectionProfile Form1::profile() const
{
    return db::ConnectionProfile{m_text1->text(), m_text7->text(), m_text2->text()};
}

void Form1::Form_Load()
{
    platform::Services &services = m_windows.services();
    app::ErrorTrap trap(services.messages, app::loc::Form1_Form_Load);
    const QString section = QString::fromLatin1(app::SettingsSection);
    trap.step(100, [&] { ApplySkin(this); });
    trap.step(104, [&] { setWindowTitle(QString::fromLatin1(app::DisplayTitle)); });
    trap.step(104, [&] { setWindowIcon(ApplicationIcon()); });
    trap.step(104, [&] { app::SetAppTitle(); });
    LoadHandCursorSteps(trap, m_pointer, 124, 126);
    trap.step(128, [&] {
        if (m_startFile.isEmpty())
            fillFromStore(m_text1, app::KeyDatabase);
        else
            m_text1->setText(m_startFile);
    });
    trap.step(130, [&] { fillFromStore(m_text2, app::KeyPassword); });
    trap.step(132, [&] { fillFromStore(m_text7, app::KeyUser, app::DefaultUser); });
    if (trap.test(134, [&] { return !m_text1->text().isEmpty(); })) {
        if (trap.test(136, [&] { return canOpenStartDatabase(); }))
            trap.step(138, [&] { moveOn(false); });
    }
    trap.step(138, [&] { app::CheckPdfPrinter(services.printers, services.messages); });
}

// A remembered database that no longer opens is passed over in silence; a
// file the user has just named gets the reason, over the login window.
bool Form1::canOpenStartDatabase()
{
    return connects(!m_startFile.isEmpty());
}

bool Form1::connects(bool tellWhyNot)
{
    if (!tellWhyNot)
        return db::CanConnect(m_windows.connectionString());
    try {
        db::TestConnection(m_windows.connectionString());
        return true;
    } catch (...) {
        const QString reason = app::Describe(std::current_exception());
        show();
        m_windows.services().messages.informWithDetail(
            app::ShortTitle(), QStringLiteral("Could not connect."), reason);
        return false;
    }
}

void Form1::PushButton1_Click()
{
    // Every failure ends in the same message; the server's reason goes with
    // it, so that a wrong password can be told from a missing file.
    platform::MessageBoxes &messages = m_windows.services().messages;
    try {
        m_pointer.set(WindowPointer::Busy);
        db::TestConnection(m_windows.connectionString());
        messages.inform(app::ShortTitle(), QStringLiteral("Connection successful."));
        m_pointer.set(WindowPointer::Default);
    } catch (...) {
        messages.informWithDetail(app::ShortTitle(), QStringLiteral("Could not connect."),
                                  app::Describe(std::current_exception()));
        m_pointer.set(WindowPointer::Default);
    }
}

void Form1::PushButton2_Click()
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    app::ErrorTrap trap(messages, app::loc::Form1_PushButton2_Click);
    trap.step(100, [&] { messages.inform(app::ShortTitle(), app::LoginHelpText()); });
}

void Form1::PushButton3_Click()
{
    moveOn(true);
}

void Form1::moveOn(bool tellWhyNot)
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form1_PushButton3_Click);
    if (!trap.test(100, [&] { return connects(tellWhyNot); }))
        return;
    trap.step(102, [&] {
        LoadTableList(m_windows.form2().List1(), m_windows.connectionString());
    });
    if (trap.test(104, [&] { return m_windows.form2().List1()->count() > 0; }))
        trap.step(104, [&] { m_windows.form2().List1()->setCurrentRow(0); });
    trap.step(106, [&] { m_windows.form2().show(); });
    trap.step(108, [&] { hide(); });
}

void Form1::PushButton4_Click()
{
    platform::Services &services = m_windows.services();
    app::ErrorTrap trap(services.messages, app::loc::Form1_PushButton4_Click);
    bool yes = false;
    trap.step(100, [&] { yes = services.messages.ask(app::ShortTitle(), app::ServerNoticeText()); });
    if (trap.test(102, [&] { return yes; }))
        trap.step(102, [&] { services.urls.open(QUrl(QString::fromLatin1(app::DownloadPageUrl))); });
}

void Form1::PushButton5_Click()
{
    // The dialog's title and filter are fixed (lines 100 to 106); Qt's
    // dialog has no read-only box, so there are no flags to set.
    platform::Services &services = m_windows.services();
    app::ErrorTrap trap(services.messages, app::loc::Form1_PushButton5_Click);
    QString fileName;
    trap.step(108, [&] {
        fileName = services.files.openFile(QString::fromLatin1(BrowseTitle),
                                           QString::fromLatin1(BrowseFilter));
    });
    if (trap.test(110, [&] { return !fileName.isEmpty(); }))
        trap.step(112, [&] { m_text1->setText(fileName); });
}

void Form1::PushButton7_Click()
{
    app::ErrorTrap trap(m_windows.services().messages, app::loc::Form1_PushButton7_Click);
    trap.step(100, [&] { m_text1->setText(app::SampleDatabasePath()); });
    trap.step(102, [&] { m_text7->setText(QString::fromLatin1(app::DefaultUser)); });
    trap.step(104, [&] { m_text2->setText(QString::fromLatin1(SamplePassword)); });
}

void Form1::Text1_Change()
{
    remember(app::KeyDatabase, m_text1->text());
}

void Form1::Text2_Change()
{
    remember(app::KeyPassword, m_text2->text());
}

void Form1::Text7_Change()
{
    remember(app::KeyUser, m_text7->text());
}

// A stored value is not written back: what the box makes of it (a path cut
// to the box's length, text that was not valid UTF-8) would replace what the
// user stored. A default is stored, as typing it would store it.
void Form1::fillFromStore(QLineEdit *box, const char *key, const QString &fallback)
{
    const platform::SettingsStore &settings = m_windows.services().settings;
    const QString section = QString::fromLatin1(app::SettingsSection);
    const QScopedValueRollback<bool> quiet(
        m_fillingFromStore, settings.contains(section, QString::fromLatin1(key)));
    box->setText(settings.get(section, QString::fromLatin1(key), fallback));
}

// The first value that cannot be written is told once; later ones are not.
void Form1::remember(const char *key, const QString &text)
{
    if (m_fillingFromStore)
        return;
    const QString problem = m_windows.services().settings.save(
        QString::fromLatin1(app::SettingsSection), QString::fromLatin1(key), text);
    if (problem.isEmpty() || m_toldSettingsProblem)
        return;
    m_toldSettingsProblem = true;
    m_windows.services().messages.inform(
        app::ShortTitle(),
        QStringLiteral("Make the settings folder writable so that what you type here is "
                       "remembered for the next start: %1. Until then Gravelin goes on with what "
                       "you type, and says this only once.").arg(problem));
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // Entering a box selects its whole text, so typing replaces it.
    if (event->type() == QEvent::FocusIn) {
        if (auto *box = qobject_cast<QLineEdit *>(watched))
            box->selectAll();
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::keyPressEvent(QKeyEvent *event)
{
    platform::MessageBoxes &messages = m_windows.services().messages;
    if (TakeCommonKey(this, event,
                      [&] { messages.inform(app::ShortTitle(), app::LoginUsageText()); }))
        return;
    if (IsEnterKey(event))
        return m_pushButton3->click();
    QWidget::keyPressEvent(event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_windows.endProgram();
}

} // namespace ui
