#pragma once

#include "ui/conventions.h"

#include <QWidget>

class QGroupBox;
class QListWidget;
class QPushButton;

namespace ui {

class Windows;

// Form2: the table chooser.
class Form2 : public QWidget
{
    Q_OBJECT

public:
    explicit Form2(Windows &windows);

    QListWidget *List1() const { return m_list1; }
    int MousePointer() const { return m_pointer.value(); }

    void Form_Load();
    void PushButton1_Click();   // New Table
    void PushButton2_Click();   // < Back
    void PushButton3_Click();   // Next >

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();

    Windows &m_windows;
    WindowPointer m_pointer{this};
    QPushButton *m_pushButton1 = nullptr;
    QPushButton *m_pushButton2 = nullptr;
    QPushButton *m_pushButton3 = nullptr;
    QGroupBox *m_frame1 = nullptr;
    QListWidget *m_list1 = nullptr;
};

} // namespace ui
