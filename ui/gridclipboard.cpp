#include "ui/gridclipboard.h"

namespace ui {

namespace {

QString delimitedField(const QString &value)
{
    if (!value.contains(QLatin1Char('\t')) && !value.contains(QLatin1Char('\n'))
        && !value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('"')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString htmlCell(const char *tag, const QString &value)
{
    QString escaped = value.toHtmlEscaped();
    escaped.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), escaped);
}

} // namespace

CopiedRange CopiedRangeOf(const QStringList &captions, const QList<CellTexts> &rows)
{
    QStringList lines;
    QString html = QStringLiteral("<table>");
    if (!captions.isEmpty()) {
        QStringList fields;
        html += QStringLiteral("<tr>");
        for (const QString &caption : captions) {
            fields << delimitedField(caption);
            html += htmlCell("th", caption);
        }
        html += QStringLiteral("</tr>");
        lines << fields.join(QLatin1Char('\t'));
    }
    for (const CellTexts &row : rows) {
        QStringList fields;
        html += QStringLiteral("<tr>");
        for (const std::optional<QString> &value : row) {
            fields << delimitedField(value.value_or(QString()));
            html += htmlCell("td", value.value_or(QString()));
        }
        html += QStringLiteral("</tr>");
        lines << fields.join(QLatin1Char('\t'));
    }
    html += QStringLiteral("</table>");
    return {lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), html};
}

QList<QStringList> DelimitedRows(const QString &text)
{
    QList<QStringList> rows;
    QStringList fields;
    QString field;
    bool quoted = false;
    bool any = false;   // something since the last row ended
    const auto endRow = [&] {
        fields << field;
        rows << fields;
        fields.clear();
        field.clear();
        any = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += text.at(++i);
            else
                quoted = false;
            continue;
        }
        any = true;
        if (c == QLatin1Char('"') && field.isEmpty()) {
            quoted = true;
        } else if (c == QLatin1Char('\t')) {
            fields << field;
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            endRow();
        } else if (c == QLatin1Char('\r')) {
            if (i + 1 >= text.size() || text.at(i + 1) != QLatin1Char('\n'))
                endRow();
        } else {
            field += c;
        }
    }
    if (any || quoted)
        endRow();
    return rows;
}

} // namespace ui
