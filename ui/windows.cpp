#include "ui/windows.h"

#include "db/client/connectionstring.h"
#include "ui/form1.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/frmnewtable.h"
#include "ui/placement.h"

#include <QCoreApplication>

#include <cstdio>

namespace ui {

bool ProgramEnd::operator()() const
{
    if (mayEnd && !mayEnd())
        return false;
    if (m_end)
        m_end();
    return true;
}

Windows::Windows(platform::Services services)
    : showNewTableDialog([this](QWidget *parent) { ShowNewTableDialog(*this, parent); }),
      m_services(services),
      m_placement(std::make_unique<WindowPlacement>(services.settings))
{
    endProgram = [] { QCoreApplication::exit(0); };
    exitWith = [](int status) { QCoreApplication::exit(status); };
    reportUnsaved = [](const QString &line) {
        std::fprintf(stderr, "gravelin: %s\n", line.toLocal8Bit().constData());
    };
    endProgram.mayEnd = [this] { return !m_form3 || m_form3->prepareToEnd(); };
}

Windows::~Windows()
{
    // What the windows' places were is written before they go; the editor
    // and the chooser go before the login window they read from.
    m_placement.reset();
    m_form3.reset();
    m_form2.reset();
    m_form1.reset();
}

Form1 &Windows::form1()
{
    if (!m_form1) {
        m_form1 = std::make_unique<Form1>(*this);
        m_placement->follow(m_form1.get());
    }
    return *m_form1;
}

Form2 &Windows::form2()
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(*this);
        m_placement->follow(m_form2.get());
        m_form2->Form_Load();
    }
    return *m_form2;
}

Form3 &Windows::form3()
{
    if (!m_form3) {
        m_form3 = std::make_unique<Form3>(*this);
        m_placement->followEditor(m_form3.get());
        m_form3->Form_Load();
    }
    return *m_form3;
}

void Windows::endForSignal(int signal)
{
    const QStringList unsaved = m_form3 ? m_form3->writeForSignal() : QStringList();
    for (const QString &line : unsaved)
        reportUnsaved(line);
    exitWith(unsaved.isEmpty() ? 0 : 128 + signal);
}

QString Windows::connectionString()
{
    return db::ConnectionString(form1().profile());
}

} // namespace ui
