#pragma once

// Shared by the statement tests and the statement fuzzer: a statement cut
// into what matters for safety, as Firebird's lexer would cut it.

#include <QString>
#include <QStringList>

namespace testsupport {

// A statement read as the server's lexer reads it.
struct SqlTokens
{
    QStringList identifiers;   // quoted identifiers, unquoted
    QStringList literals;      // string literals, unquoted
    int comments = 0;
    int separators = 0;        // ';' before the end
    bool unterminated = false;
};

inline SqlTokens LexSql(const QString &sql)
{
    SqlTokens tokens;
    const QString text = sql.trimmed();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == '"' || c == '\'') {
            QString value;
            qsizetype j = i + 1;
            for (;; ++j) {
                if (j >= text.size()) {
                    tokens.unterminated = true;
                    break;
                }
                if (text[j] == c && j + 1 < text.size() && text[j + 1] == c)
                    value += text[++j];
                else if (text[j] == c)
                    break;
                else
                    value += text[j];
            }
            (c == '"' ? tokens.identifiers : tokens.literals) << value;
            i = j;
        } else if (text.mid(i, 2) == "--" || text.mid(i, 2) == "/*") {
            ++tokens.comments;
        } else if (c == ';' && i + 1 < text.size()) {
            ++tokens.separators;
        }
    }
    return tokens;
}

} // namespace testsupport
