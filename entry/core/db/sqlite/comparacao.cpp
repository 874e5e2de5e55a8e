#include "comparacao.h"

#include <sqlite3.h>

#include <vector>

namespace orva::db {
namespace {

bool isAscii(const char *text, int length)
{
    for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return false;
    return true;
}

int collate(void *, int la, const void *a, int lb, const void *b)
{
    // One pass while both texts are plain ASCII, which keys nearly always are.
    const auto *ca = static_cast<const unsigned char *>(a);
    const auto *cb = static_cast<const unsigned char *>(b);
    const int n = std::min(la, lb);
    int i = 0;
    for (; i < n; ++i) {
        unsigned char x = ca[i];
        unsigned char y = cb[i];
        if ((x | y) >= 0x80)
            break;
        if (x == y)
            continue;
        if (x >= 'A' && x <= 'Z') x += 32;
        if (y >= 'A' && y <= 'Z') y += 32;
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i == n && isAscii(reinterpret_cast<const char *>(ca) + n, la - n)
        && isAscii(reinterpret_cast<const char *>(cb) + n, lb - n))
        return la == lb ? 0 : (la < lb ? -1 : 1);
    return compareIgnoringCase(QString::fromUtf8(static_cast<const char *>(a), la),
                               QString::fromUtf8(static_cast<const char *>(b), lb));
}

void likeFunction(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto text = [](sqlite3_value *v) {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
    };
    // like(pattern, text[, escape]) is how SQLite calls "text LIKE pattern".
    QChar escape;
    if (argc == 3 && sqlite3_value_type(argv[2]) != SQLITE_NULL) {
        const QString e = text(argv[2]);
        if (e.size() != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = e.at(0);
    }
    sqlite3_result_int(context, likeMatches(text(argv[0]), text(argv[1]), escape) ? 1 : 0);
}

// Pattern broken into items: a literal character, "_" or "%".
struct PatternItem {
    enum Kind { Literal, One, Any } kind;
    QChar ch;
};

} // namespace

int compareIgnoringCase(const QString &a, const QString &b)
{
    const int c = a.toCaseFolded().compare(b.toCaseFolded());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool likeMatches(const QString &pattern, const QString &text, QChar escape)
{
    std::vector<PatternItem> items;
    const QString p = pattern.toCaseFolded();
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p.at(i);
        if (!escape.isNull() && c == escape.toCaseFolded() && i + 1 < p.size()) {
            items.push_back({PatternItem::Literal, p.at(++i)});
        } else if (c == QLatin1Char('%')) {
            items.push_back({PatternItem::Any, c});
        } else if (c == QLatin1Char('_')) {
            items.push_back({PatternItem::One, c});
        } else {
            items.push_back({PatternItem::Literal, c});
        }
    }
    const QString t = text.toCaseFolded();
    // Greedy matching with one back-tracking point, linear in practice.
    size_t pi = 0;
    qsizetype ti = 0;
    size_t starItem = SIZE_MAX;
    qsizetype starText = 0;
    while (ti < t.size()) {
        if (pi < items.size() && items[pi].kind == PatternItem::Any) {
            starItem = pi++;
            starText = ti;
        } else if (pi < items.size()
                   && (items[pi].kind == PatternItem::One || items[pi].ch == t.at(ti))) {
            ++pi;
            ++ti;
        } else if (starItem != SIZE_MAX) {
            pi = starItem + 1;
            ti = ++starText;
        } else {
            return false;
        }
    }
    while (pi < items.size() && items[pi].kind == PatternItem::Any)
        ++pi;
    return pi == items.size();
}

void installTextComparison(sqlite3 *db)
{
    sqlite3_create_collation(db, "NOCASE", SQLITE_UTF8, nullptr, collate);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr);
}

} // namespace orva::db
