#pragma once

// The types of Firebird 4 and newer, one data-driven table of type x value
// x the text Firebird 5's isql prints, shared by the Firebird 5 tests.

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

namespace testsupport {

inline const char *const Columns = "ID INTEGER NOT NULL PRIMARY KEY, I128 INT128, N38 NUMERIC(38,4), "
                            "D30 DECIMAL(30,2), DF16 DECFLOAT(16), DF34 DECFLOAT(34), "
                            "TTZ TIME WITH TIME ZONE, TSTZ TIMESTAMP WITH TIME ZONE";
inline const QStringList Names{"ID", "I128", "N38", "D30", "DF16", "DF34", "TTZ", "TSTZ"};

// type x value x the text isql prints, and how the workbook holds it: a
// number ("n:0.5") or text ("s").
struct TypeCase
{
    const char *name;
    const char *column;
    const char *typed;
    const char *shown;
    const char *workbook;
    // A filter "= value" finds it. Not on DF34: NaN equals nothing, and
    // comparing with the sNaN of another row is an invalid operation.
    bool comparable;
};
inline const TypeCase Cases[] = {
    {"INT128 largest", "I128", "170141183460469231731687303715884105727",
     "170141183460469231731687303715884105727", "s", true},
    {"INT128 smallest", "I128", "-170141183460469231731687303715884105728",
     "-170141183460469231731687303715884105728", "s", true},
    {"INT128 small", "I128", "42", "42", "n:42", true},
    {"NUMERIC(38,4) widest", "N38", "-1234567890123456789012345678901234.5678",
     "-1234567890123456789012345678901234.5678", "s", true},
    {"NUMERIC(38,4) half", "N38", "0.5", "0.5000", "n:0.5", true},
    {"DECIMAL(30,2) tenth", "D30", "0.1", "0.10", "s", true},
    {"DECFLOAT(16) negative zero", "DF16", "-0", "-0", "s", true},
    {"DECFLOAT(16) largest", "DF16", "9.999999999999999E+384", "9.999999999999999E+384", "s",
     true},
    {"DECFLOAT(34) exponent -6000", "DF34", "-1.234567890123456789012345678901234E-6000",
     "-1.234567890123456789012345678901234E-6000", "s", false},
    {"DECFLOAT(34) exponent 6144", "DF34", "1E+6144",
     "1.000000000000000000000000000000000E+6144", "s", false},
    {"DECFLOAT(34) trailing zero", "DF34", "1.0", "1.0", "n:1", false},
    {"DECFLOAT(34) NaN", "DF34", "NaN", "NaN", "s", false},
    {"DECFLOAT(34) sNaN", "DF34", "sNaN", "sNaN", "s", false},
    {"DECFLOAT(34) -Infinity", "DF34", "-Inf", "-Infinity", "s", false},
    {"TIME WITH TIME ZONE offset", "TTZ", "10:11:12.3456 +05:30", "10:11:12.3456 +05:30", "s",
     true},
    {"TIMESTAMP WITH TIME ZONE region", "TSTZ", "2026-12-08 23:59:59.9999 America/Sao_Paulo",
     "2026-12-08 23:59:59.9999 America/Sao_Paulo", "s", true},
    {"TIMESTAMP WITH TIME ZONE offset", "TSTZ", "2026-12-09 10:00:00.0000 -03:00",
     "2026-12-09 10:00:00.0000 -03:00", "s", true},
};
constexpr int CaseCount = int(std::size(Cases));

inline void addCaseRows()
{
    QTest::addColumn<int>("id");
    for (int i = 0; i < CaseCount; ++i)
        QTest::newRow(Cases[i].name) << i + 1;
}

inline const TypeCase &caseOf(int id)
{
    return Cases[id - 1];
}

// "COLUMN   value" lines of isql's SET LIST output, per ID.
inline QHash<int, QHash<QString, QString>> listedRows(const QString &output)
{
    QHash<int, QHash<QString, QString>> rows;
    int id = 0;
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^(\\w+)\\s+(.*\\S)\\s*$")).match(line);
        if (!match.hasMatch())
            continue;
        if (match.captured(1) == QLatin1String("ID"))
            id = match.captured(2).toInt();
        rows[id][match.captured(1)] = match.captured(2);
    }
    return rows;
}

} // namespace testsupport
