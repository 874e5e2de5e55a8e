#include "traducao.h"

#include <QDate>
#include <QRegularExpression>

#include <vector>

namespace orva::db {
namespace {

struct Token {
    enum Kind { Word, Literal, Name, Param, Date, Symbol, Space } kind;
    QString text;
};

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// A Jet date literal's text ("03/05/2015" is month first, or ISO) as ISO.
QString isoDate(const QString &inside)
{
    QDate d = QDate::fromString(inside.trimmed(), Qt::ISODate);
    if (!d.isValid())
        d = QDate::fromString(inside.trimmed(), QStringLiteral("M/d/yyyy"));
    return d.isValid() ? d.toString(Qt::ISODate) : QString();
}

std::vector<Token> tokens(const QString &sql)
{
    std::vector<Token> out;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    // Up to the closing character; a doubled one stands for itself.
    const auto quoted = [&](QChar close) {
        qsizetype j = i + 1;
        while (j < n) {
            if (sql.at(j) != close) {
                ++j;
            } else if (j + 1 < n && sql.at(j + 1) == close) {
                j += 2;
            } else {
                return j + 1;
            }
        }
        return n;
    };
    while (i < n) {
        const QChar c = sql.at(i);
        qsizetype end = i + 1;
        Token::Kind kind = Token::Symbol;
        if (c.isSpace()) {
            while (end < n && sql.at(end).isSpace())
                ++end;
            kind = Token::Space;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (end < n && sql.at(end) != QLatin1Char('\n'))
                ++end;
            kind = Token::Space;
        } else if (c == QLatin1Char('\'')) {
            end = quoted(c);
            kind = Token::Literal;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`')) {
            end = quoted(c);
            kind = Token::Name;
        } else if (c == QLatin1Char('[')) {
            end = quoted(QLatin1Char(']'));
            kind = Token::Name;
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = sql.indexOf(QLatin1Char('#'), i + 1);
            if (close > 0 && !isoDate(sql.mid(i + 1, close - i - 1)).isEmpty()) {
                end = close + 1;
                kind = Token::Date;
            }
        } else if (c == QLatin1Char(':') && i + 1 < n && (sql.at(i + 1).isLetter() || sql.at(i + 1) == QLatin1Char('_'))
                   && (i == 0 || sql.at(i - 1) != QLatin1Char(':'))) {
            while (end < n && isWordChar(sql.at(end)))
                ++end;
            kind = Token::Param;
        } else if (isWordChar(c)) {
            while (end < n && isWordChar(sql.at(end)))
                ++end;
            kind = Token::Word;
        }
        out.push_back({kind, sql.mid(i, end - i)});
        i = end;
    }
    return out;
}

bool is(const Token &t, const char *word)
{
    return t.kind == Token::Word && t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// The next token that is not blank, from `i`; `size` when none.
size_t nextSolid(const std::vector<Token> &t, size_t i)
{
    while (i < t.size() && t[i].kind == Token::Space)
        ++i;
    return i;
}

// Where the pattern after LIKE ends: the first word that starts another
// clause or condition, a closing parenthesis or ";" at its own depth.
size_t patternEnd(const std::vector<Token> &t, size_t from, bool &hasEscape)
{
    int depth = 0;
    size_t last = from;
    for (size_t i = from; i < t.size(); ++i) {
        const Token &k = t[i];
        if (k.kind == Token::Symbol && k.text == QLatin1String("("))
            ++depth;
        else if (k.kind == Token::Symbol && k.text == QLatin1String(")") && --depth < 0)
            break;
        else if (depth == 0 && k.kind == Token::Symbol && k.text == QLatin1String(";"))
            break;
        else if (depth == 0 && k.kind == Token::Word) {
            for (const char *stop : {"and", "or", "order", "group", "having", "limit", "union", "then", "when", "else",
                                     "end", "escape"}) {
                if (is(k, stop)) {
                    hasEscape = is(k, "escape");
                    return last;
                }
            }
        }
        if (k.kind != Token::Space)
            last = i + 1;
    }
    return last;
}

QString nameText(const Token &t)
{
    QString inside = t.text.mid(1, t.text.size() - 2);
    if (t.text.startsWith(QLatin1Char('[')))
        inside.replace(QStringLiteral("]]"), QStringLiteral("]"));
    else if (t.text.startsWith(QLatin1Char('`')))
        inside.replace(QStringLiteral("``"), QStringLiteral("`"));
    else
        return t.text;
    inside.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + inside + QLatin1Char('"');
}

// One statement (no top-level ";" inside).
QString statement(std::vector<Token> t, QStringList &parametros)
{
    const size_t first = nextSolid(t, 0);
    if (first == t.size())
        return QString();
    if (is(t[first], "pragma"))
        return QString();
    if (is(t[first], "begin")) {
        // A write transaction takes the write lock at once: on a server, one
        // advisory lock of the database that every writer takes first.
        const size_t second = nextSolid(t, first + 1);
        if (second < t.size() && (is(t[second], "immediate") || is(t[second], "exclusive")))
            return QStringLiteral("begin; select pg_advisory_xact_lock(1330796097)");
        if (second < t.size() && is(t[second], "deferred"))
            t[second].text.clear();
    }
    QString limit;
    if (is(t[first], "select")) {
        const size_t top = nextSolid(t, first + 1);
        const size_t count = nextSolid(t, top + 1);
        if (top < t.size() && is(t[top], "top") && count < t.size() && t[count].kind == Token::Word) {
            limit = QStringLiteral(" LIMIT ") + t[count].text;
            for (size_t i = top; i < t.size() && i <= count + 1; ++i)
                if (i <= count || t[i].kind == Token::Space)
                    t[i].text.clear();
        }
    }
    std::vector<size_t> escapeAt; // token indexes after which " ESCAPE ''" goes
    for (size_t i = 0; i < t.size(); ++i) {
        Token &k = t[i];
        switch (k.kind) {
        case Token::Name: k.text = nameText(k); break;
        case Token::Date: k.text = QLatin1Char('\'') + isoDate(k.text.mid(1, k.text.size() - 2)) + QLatin1Char('\''); break;
        case Token::Param: {
            const QString name = k.text.mid(1);
            qsizetype index = -1;
            for (qsizetype p = 0; p < parametros.size(); ++p)
                if (parametros.at(p).compare(name, Qt::CaseInsensitive) == 0)
                    index = p;
            if (index < 0) {
                parametros << name;
                index = parametros.size() - 1;
            }
            k.text = QLatin1Char('$') + QString::number(index + 1);
            break;
        }
        case Token::Word:
            if (is(k, "like")) {
                k.text = QStringLiteral("ILIKE");
                bool hasEscape = false;
                const size_t end = patternEnd(t, i + 1, hasEscape);
                if (!hasEscape)
                    escapeAt.push_back(end);
            } else if (is(k, "ifnull")) {
                k.text = QStringLiteral("coalesce");
            }
            break;
        default: break;
        }
    }
    QString out;
    for (size_t i = 0; i < t.size(); ++i) {
        for (size_t at : escapeAt)
            if (at == i)
                out += QStringLiteral(" ESCAPE ''");
        out += t[i].text;
    }
    for (size_t at : escapeAt)
        if (at == t.size())
            out += QStringLiteral(" ESCAPE ''");
    return limit.isEmpty() ? out : out.trimmed() + limit;
}

} // namespace

bool ehServidor(const QString &alvo)
{
    static const QRegularExpression chaveValor(QStringLiteral("(^|\\s)(host|hostaddr|dbname|service|user|port)\\s*="));
    return alvo.startsWith(QLatin1String("postgresql://")) || alvo.startsWith(QLatin1String("postgres://"))
           || chaveValor.match(alvo).hasMatch();
}

QString esquemaParaPostgres(const QString &esquema)
{
    static const QRegularExpression texto(QStringLiteral("\\bTEXT\\s+COLLATE\\s+NOCASE\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression real(QStringLiteral("\\bREAL\\b"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression ifnull(QStringLiteral("\\bifnull\\s*\\("), QRegularExpression::CaseInsensitiveOption);
    // Every table gets a last column standing in for the embedded
    // database's implicit rowid: `Order By rowid` lists rows in the order
    // they were inserted on both engines, and an update keeps a row's place.
    static const QRegularExpression fimDaTabela(QStringLiteral("(\\bCREATE\\s+TABLE\\b[^;]*?)\\n\\);"),
                                                QRegularExpression::CaseInsensitiveOption);
    QString s = esquema;
    s.replace(fimDaTabela, QStringLiteral("\\1,\n    rowid BIGINT GENERATED BY DEFAULT AS IDENTITY\n);"));
    s.replace(texto, QStringLiteral("TEXTO"));
    s.replace(real, QStringLiteral("DOUBLE PRECISION"));
    s.replace(ifnull, QStringLiteral("coalesce("));
    return s;
}

Traducao traduzParaPostgres(const QString &sql)
{
    Traducao r;
    std::vector<Token> atual;
    const auto fecha = [&](bool comPontoEVirgula) {
        const QString s = statement(std::move(atual), r.parametros);
        atual.clear();
        if (s.trimmed().isEmpty())
            return;
        r.sql += s;
        if (comPontoEVirgula)
            r.sql += QLatin1Char(';');
    };
    for (Token &t : tokens(sql)) {
        if (t.kind == Token::Symbol && t.text == QLatin1String(";"))
            fecha(true);
        else
            atual.push_back(std::move(t));
    }
    fecha(false);
    return r;
}

} // namespace orva::db
