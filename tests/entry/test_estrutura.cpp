// The layers of the entry program, read from the sources and the binaries:
// the core has no widgets, and no include runs back up the structure.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

const QString kFonte = QStringLiteral(ORVA_SOURCE_DIR);

struct Inclusao {
    QString nome;
    bool sistema = false; // <...>
};

QList<Inclusao> inclusoes(const QString &arquivo)
{
    QFile f(arquivo);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << arquivo.toStdString();
    static const QRegularExpression re(QStringLiteral(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])"),
                                       QRegularExpression::MultilineOption);
    QList<Inclusao> lista;
    auto it = re.globalMatch(QString::fromUtf8(f.readAll()));
    while (it.hasNext()) {
        const auto m = it.next();
        lista.append({m.captured(2), m.captured(1) == QLatin1String("<")});
    }
    return lista;
}

// The sources of the entry program's core library, as the build lists them.
QStringList fontesDoNucleo()
{
    QFile f(QStringLiteral(ORVA_BUILD_DIR "/entry_core_sources.txt"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Every source under entry/, relative to it ("ui/shell/funcoes.cpp").
QStringList fontesDeEntry()
{
    QStringList lista;
    QDirIterator it(kFonte + QStringLiteral("/entry"), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        lista << QDir(kFonte + QStringLiteral("/entry")).relativeFilePath(it.next());
    return lista;
}

// A header of the Qt modules that draw or print.
bool cabecalhoGrafico(const QString &nome)
{
    static const QStringList modulos = {"QtWidgets", "QtGui", "QtPrintSupport"};
    const QString cabecalhos = QLibraryInfo::path(QLibraryInfo::HeadersPath);
    for (const QString &m : modulos)
        if (nome.startsWith(m + QLatin1Char('/')) || QFileInfo::exists(cabecalhos + '/' + m + '/' + nome))
            return true;
    return false;
}

// The string literals of a C++ source, comments left out; adjacent pieces
// stay apart.
QStringList literais(const QString &fonte)
{
    QStringList lista;
    const qsizetype n = fonte.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = fonte.at(i);
        if (fonte.mid(i, 2) == QLatin1String("//")) {
            while (i < n && fonte.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (fonte.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype fim = fonte.indexOf(QLatin1String("*/"), i + 2);
            i = fim < 0 ? n : fim + 2;
        } else if (c == QLatin1Char('R') && fonte.mid(i + 1, 1) == QLatin1String("\"")
                   && (i == 0 || !(fonte.at(i - 1).isLetterOrNumber() || fonte.at(i - 1) == QLatin1Char('_'))
                       || fonte.mid(i - 2, 2) == QLatin1String("u8") || fonte.at(i - 1) == QLatin1Char('L'))) {
            const qsizetype abre = fonte.indexOf(QLatin1Char('('), i + 2);
            if (abre < 0)
                break;
            const QString fecho = QLatin1Char(')') + fonte.mid(i + 2, abre - i - 2) + QLatin1Char('"');
            const qsizetype fim = fonte.indexOf(fecho, abre + 1);
            lista << fonte.mid(abre + 1, (fim < 0 ? n : fim) - abre - 1);
            i = fim < 0 ? n : fim + fecho.size();
        } else if (c == QLatin1Char('"') || (c == QLatin1Char('\'') && (i == 0 || !fonte.at(i - 1).isDigit()))) {
            QString texto;
            for (++i; i < n && fonte.at(i) != c; ++i) {
                if (fonte.at(i) == QLatin1Char('\\') && i + 1 < n)
                    ++i;
                texto += fonte.at(i);
            }
            ++i;
            if (c == QLatin1Char('"'))
                lista << texto;
        } else {
            ++i;
        }
    }
    return lista;
}

// The tables and views the schema creates.
QStringList tabelasDoEsquema()
{
    QFile f(kFonte + QStringLiteral("/data/schema.sql"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    static const QRegularExpression re(QStringLiteral(R"(create\s+(?:table|view)\s+(\w+))"),
                                       QRegularExpression::CaseInsensitiveOption);
    QStringList tabelas;
    auto it = re.globalMatch(QString::fromUtf8(f.readAll()));
    while (it.hasNext())
        tabelas << it.next().captured(1);
    return tabelas;
}

// The literals of `fonte` that hold a statement on one of `tabelas`.
QStringList comandosSobre(const QString &fonte, const QStringList &tabelas)
{
    const QRegularExpression re(QStringLiteral(R"(\b(from|into|update|join|table)\s+\[?(%1)\]?(\W|$))")
                                    .arg(tabelas.join(QLatin1Char('|'))),
                                QRegularExpression::CaseInsensitiveOption);
    QStringList achados;
    for (const QString &literal : literais(fonte))
        if (re.match(literal).hasMatch())
            achados << literal;
    return achados;
}

} // namespace

TEST(Estrutura, OrvaCliLoadsNoWidgetsNorGraphics)
{
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE)});
    ASSERT_TRUE(ldd.waitForFinished(30000));
    const QString bibliotecas = QString::fromUtf8(ldd.readAllStandardOutput());
    ASSERT_TRUE(bibliotecas.contains("libQt6Core")) << bibliotecas.toStdString();
    EXPECT_FALSE(bibliotecas.contains("libQt6Widgets")) << bibliotecas.toStdString();
    EXPECT_FALSE(bibliotecas.contains("libQt6Gui")) << bibliotecas.toStdString();
    EXPECT_FALSE(bibliotecas.contains("libQt6PrintSupport")) << bibliotecas.toStdString();
}

TEST(Estrutura, TheCoreIncludesNoWidgetNorWindowHeader)
{
    const QStringList nucleo = fontesDoNucleo();
    ASSERT_GT(nucleo.size(), 20);
    // The build lists every file of core/ in the core library, and nothing
    // else (compared under entry/: under Wine the folder has a drive letter).
    QStringList pasta, listados;
    for (const QString &fonte : fontesDeEntry())
        if (fonte.startsWith(QLatin1String("core/")))
            pasta << fonte;
    for (const QString &fonte : nucleo)
        listados << fonte.mid(fonte.lastIndexOf(QLatin1String("/entry/core/")) + 7);
    pasta.sort();
    listados.sort();
    EXPECT_EQ(listados.join(QLatin1Char('\n')).toStdString(), pasta.join(QLatin1Char('\n')).toStdString());
    // The window layer, and the shared files with windows in them.
    static const QRegularExpression janela(QStringLiteral(R"(^ui/|^ui_|(^|/)(prompts|relatorio|focovisivel)\.h$)"));
    for (const QString &fonte : nucleo) {
        for (const Inclusao &i : inclusoes(fonte)) {
            if (i.sistema) {
                EXPECT_FALSE(cabecalhoGrafico(i.nome)) << fonte.toStdString() << " includes <" << i.nome.toStdString() << ">";
                continue;
            }
            EXPECT_FALSE(janela.match(i.nome).hasMatch())
                << fonte.toStdString() << " includes \"" << i.nome.toStdString() << "\"";
        }
        // The engines take their connection; the data module's global is the windows'.
        QFile f(fonte);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        if (!fonte.contains(QLatin1String("/core/shell/dtmdados."))) {
            EXPECT_FALSE(QString::fromUtf8(f.readAll())
                             .contains(QRegularExpression(QStringLiteral(R"(\bdtmDados\b|TdtmDados::Conexao\b)"))))
                << fonte.toStdString() << " uses the global data module";
        }
    }
}

TEST(Estrutura, NoIncludeRunsBackUpTheLayers)
{
    // In each layer the foundation (db/, shell/, shared/) knows no feature;
    // only the roof (ui/app/) knows the roof.
    static const QRegularExpression recursoDoNucleo(
        QStringLiteral(R"(^core/(registrations|import|export|maintenance|stores)/)"));
    static const QRegularExpression recursoDasJanelas(
        QStringLiteral(R"(^ui/(registrations|entries|import|export|maintenance)/)"));
    for (const QString &fonte : fontesDeEntry()) {
        for (const Inclusao &i : inclusoes(kFonte + QStringLiteral("/entry/") + fonte)) {
            if (i.sistema)
                continue;
            const std::string onde = fonte.toStdString() + " includes " + i.nome.toStdString();
            if (fonte.startsWith(QLatin1String("core/db/")) || fonte.startsWith(QLatin1String("core/shell/"))) {
                EXPECT_FALSE(recursoDoNucleo.match(i.nome).hasMatch()) << onde;
            }
            if (fonte.startsWith(QLatin1String("ui/shell/")) || fonte.startsWith(QLatin1String("ui/shared/"))) {
                EXPECT_FALSE(recursoDasJanelas.match(i.nome).hasMatch()) << onde;
            }
            if (!fonte.startsWith(QLatin1String("ui/app/"))) {
                EXPECT_FALSE(i.nome.startsWith(QLatin1String("ui/app/"))) << onde;
            }
        }
    }
}

TEST(Estrutura, StatementsOnATableLiveInItsStore)
{
    const QStringList tabelas = tabelasDoEsquema();
    ASSERT_TRUE(tabelas.contains(QStringLiteral("Protocolo")) && tabelas.contains(QStringLiteral("vwRateio")));

    // The scan itself: a statement in code is found, one in a comment or
    // split from its table is not.
    const QString amostra = QStringLiteral(
        "// Select * From Notas\n/* Update Protocolo */ const auto a = R\"x(delete from RATEIO where)x\";\n"
        "q.setSql(\"Select Count(*) From \" + tabela); const char c = '\"'; int n = 1'000;\n"
        "q.setSql(QStringLiteral(\"Insert into [Empresa] ( A ) Values (:a)\"));\n"
        "const QString s = \"Protocolo de \\\"Notas\\\" from Rateios\";");
    EXPECT_EQ(comandosSobre(amostra, tabelas),
              (QStringList{QStringLiteral("delete from RATEIO where"), QStringLiteral("Insert into [Empresa] ( A ) Values (:a)")}));

    // Every program's code outside the stores; the database layer creates
    // the schema and copies it between engines by itself.
    for (const QString &pasta : QStringList{"entry", "cli", "tools", "client", "server", "common"}) {
        QDirIterator it(kFonte + QLatin1Char('/') + pasta, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString caminho = it.next();
            const QString relativo = QDir(kFonte).relativeFilePath(caminho);
            if (relativo.startsWith(QLatin1String("entry/core/stores/")) || relativo.startsWith(QLatin1String("entry/core/db/")))
                continue;
            QFile f(caminho);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << relativo.toStdString();
            for (const QString &comando : comandosSobre(QString::fromUtf8(f.readAll()), tabelas))
                ADD_FAILURE() << relativo.toStdString() << " runs a statement on a table outside its store: \""
                              << comando.toStdString() << "\"";
        }
    }
}

// Each database engine is known only to its driver: no other source of the
// entry program or of orva-cli includes an engine's header or names its types.
TEST(Estrutura, OnlyTheDriversKnowTheirEngine)
{
    static const QRegularExpression motor(
        QStringLiteral(R"(#\s*include\s*[<"](sqlite3|libpq-fe)\.h[>"]|\b(sqlite3\w*|PGconn|PGresult|pg_conn|pg_result|PQ[a-z]\w*)\b)"));
    int lidos = 0;
    for (const QString &raiz : {QStringLiteral("entry"), QStringLiteral("cli")}) {
        QDirIterator it(kFonte + '/' + raiz, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString fonte = QDir(kFonte).relativeFilePath(it.next());
            if (fonte.startsWith(QLatin1String("entry/core/db/sqlite/"))
                || fonte.startsWith(QLatin1String("entry/core/db/postgres/")))
                continue;
            QFile f(kFonte + '/' + fonte);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << fonte.toStdString();
            const auto m = motor.match(QString::fromUtf8(f.readAll()));
            EXPECT_FALSE(m.hasMatch()) << fonte.toStdString() << " names " << m.captured(0).toStdString();
            ++lidos;
        }
    }
    EXPECT_GT(lidos, 100);
}
