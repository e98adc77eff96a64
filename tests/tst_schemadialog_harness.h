#pragma once

// Shared by the schema dialog tests: filling in the new-column dialog, and
// what the message boxes said, in short.

#include "tst_form_harness.h"

#include "ui/frmnewcolumn.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRegularExpression>

namespace formtest {

struct ColumnInput
{
    QString name{}, type{}, m{}, d{};
    bool autoIncrement = false;
    QString defaultValue{};
};

inline void Fill(ui::frmNewColumn &dialog, const ColumnInput &in)
{
    dialog.txtName()->setText(in.name);
    dialog.cboDataType()->setCurrentText(in.type);
    dialog.txtM()->setText(in.m);
    dialog.txtD()->setText(in.d);
    dialog.chkAutoInc()->setChecked(in.autoIncrement);
    dialog.txtDefault()->setText(in.defaultValue);
}

// Each box as one text: a message's own text, an error report as "report"
// and its line.
inline QStringList Said(const QList<Call> &calls)
{
    static const QRegularExpression line(QStringLiteral("at line (\\d+)\r\r"));
    QStringList said;
    for (const Call &call : calls) {
        const QRegularExpressionMatch match = line.match(call.text);
        said << (call.kind == Kind::Warn && match.hasMatch() ? "report " + match.captured(1)
                                                             : call.text);
    }
    return said;
}

// The columns of a table in order, each with its default: "A|NOTE DEFAULT 'x'".
inline QString Columns(const testsupport::TempDatabase &db, const QString &table)
{
    return ValueOf(db, QStringLiteral(
        "SELECT CAST(LIST(F, '|') AS VARCHAR(2000)) FROM (SELECT TRIM(TRAILING FROM RDB$FIELD_NAME)"
        " || COALESCE(' ' || CAST(RDB$DEFAULT_SOURCE AS VARCHAR(200)), '') AS F"
        " FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = '%1' ORDER BY RDB$FIELD_POSITION)")
        .arg(table));
}

} // namespace formtest
