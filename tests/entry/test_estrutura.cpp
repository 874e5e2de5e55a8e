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

// Every source under entry/, relative to it ("shell/funcoes.cpp").
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
    // The shared files with windows in them.
    static const QRegularExpression janela(
        QStringLiteral(R"((^|/)(frm[^/]*|fsobre|prompts|relatorio|focovisivel|conventions|campodata|campos|exithandler|)"
                       R"(querymodel|valores|relatorios|janelamanutencao)\.h$|^app/|^ui_)"));
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
        if (!fonte.contains(QLatin1String("/shell/dtmdados."))) {
            EXPECT_FALSE(QString::fromUtf8(f.readAll())
                             .contains(QRegularExpression(QStringLiteral(R"(\bdtmDados\b|TdtmDados::Conexao\b)"))))
                << fonte.toStdString() << " uses the global data module";
        }
    }
}

TEST(Estrutura, NoIncludeRunsBackUpTheLayers)
{
    static const QRegularExpression recurso(QStringLiteral(R"(^(registrations|entries|import|export|maintenance|stores)/)"));
    for (const QString &fonte : fontesDeEntry()) {
        for (const Inclusao &i : inclusoes(kFonte + QStringLiteral("/entry/") + fonte)) {
            if (i.nome == QLatin1String("sqlite3.h")) {
                EXPECT_TRUE(fonte.startsWith(QLatin1String("shell/db/"))) << fonte.toStdString() << " includes sqlite3.h";
            }
            if (i.sistema)
                continue;
            // The foundation knows no feature and no roof; features know no roof.
            if (fonte.startsWith(QLatin1String("shell/"))) {
                EXPECT_FALSE(recurso.match(i.nome).hasMatch() || i.nome.startsWith(QLatin1String("app/")))
                    << fonte.toStdString() << " includes " << i.nome.toStdString();
            } else if (!fonte.startsWith(QLatin1String("app/"))) {
                EXPECT_FALSE(i.nome.startsWith(QLatin1String("app/")))
                    << fonte.toStdString() << " includes " << i.nome.toStdString();
            }
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
            if (fonte.startsWith(QLatin1String("entry/shell/db/sqlite/"))
                || fonte.startsWith(QLatin1String("entry/shell/db/postgres/")))
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
