#pragma once

#include "db/client/connectionstring.h"
#include "ui/conventions.h"

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace ui {

class Windows;

// Form1: the login window; its load handler is the start-up sequence.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    explicit Form1(Windows &windows);

    // The connection profile as the three boxes hold it now.
    db::ConnectionProfile profile() const;
    int MousePointer() const { return m_pointer.value(); }

    // A database file named on the command line: the start-up sequence
    // opens it in place of the remembered one, and says why when it cannot.
    void openOnStart(const QString &databaseFile) { m_startFile = databaseFile; }

    void Form_Load();
    void PushButton1_Click();   // Test Connection
    void PushButton2_Click();   // Help
    void PushButton3_Click();   // Next >
    void PushButton4_Click();   // ?
    void PushButton5_Click();   // ... (browse)
    void PushButton7_Click();   // Load Sample/Example Database
    void Text1_Change();
    void Text2_Change();
    void Text7_Change();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    void createFrame();
    void connectHandlers();
    void orderTabs();
    void nameForAssistiveTools();
    bool canOpenStartDatabase();
    // Whether the profile's database opens; when not and `tellWhyNot`, the
    // user is told as "Test Connection" tells it.
    bool connects(bool tellWhyNot);
    // "Next >": the user's press tells why the database does not open; the
    // start-up sequence's run, after its own silent test, stays silent.
    void moveOn(bool tellWhyNot);
    // Sets a box to its stored value (or `fallback` when there is none).
    void fillFromStore(QLineEdit *box, const char *key, const QString &fallback = {});
    void remember(const char *key, const QString &text);

    Windows &m_windows;
    WindowPointer m_pointer{this};
    HoverRule *m_hover = nullptr;
    QString m_startFile;
    bool m_fillingFromStore = false;
    bool m_toldSettingsProblem = false;

    QPushButton *m_pushButton1 = nullptr;
    QPushButton *m_pushButton2 = nullptr;
    QPushButton *m_pushButton3 = nullptr;
    QPushButton *m_pushButton4 = nullptr;
    QPushButton *m_pushButton5 = nullptr;
    QPushButton *m_pushButton7 = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QLineEdit *m_text7 = nullptr;
};

} // namespace ui
