#include "support/scripted_prompts.h"
#include "support/temp_program.h"

#include "core/maintenance/arquivador.h"
#include "support/arquivos.h"
#include "support/substituto.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// A program folder with the archiver beside the program, as installed.
struct ProgramaComRar {
    TempProgram program;
    ScriptedPrompts prompts;

    explicit ProgramaComRar(bool comRar = true)
    {
        if (comRar) {
            EXPECT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), program.path(QStringLiteral("rar" ORVA_EXE))));
        }
    }
    QString pasta() const { return Funcoes::DiretorioSistema(); }
};

} // namespace

// Packing into an archive named without extension and unpacking into the
// program folder give the same bytes back, through folders with blanks.
TEST(Arquivador, CompactaEDescompactaComORarDoPrograma)
{
    ProgramaComRar p;
    const QByteArray conteudo("1|S\xC3O PAULO|\xC7\r\n");
    const QString arquivo = p.pasta() + QStringLiteral("meus dados/Declaracao 01.txt");
    grava(arquivo, conteudo);

    QString motivo = QStringLiteral("antes");
    EXPECT_FALSE(Funcoes::CompactaArquivo(arquivo, p.pasta() + QStringLiteral("enviar/Declaracao 01"), &motivo));
    EXPECT_TRUE(motivo.isEmpty()) << motivo.toStdString();
    const QString compactado = p.pasta() + QStringLiteral("enviar/Declaracao 01.rar");
    ASSERT_TRUE(QFileInfo::exists(compactado));

    // The second pack replaces the copy inside.
    const QByteArray novo("2|NOVO\r\n");
    grava(arquivo, novo);
    EXPECT_FALSE(Funcoes::CompactaArquivo(arquivo, p.pasta() + QStringLiteral("enviar/Declaracao 01"), &motivo));

    QFile::remove(arquivo);
    // The destination is the program folder, ending with its separator.
    EXPECT_FALSE(Funcoes::DescompactaArquivo(compactado, p.pasta(), &motivo));
    EXPECT_TRUE(motivo.isEmpty()) << motivo.toStdString();
    EXPECT_EQ(le(p.pasta() + QStringLiteral("Declaracao 01.txt")), novo);
    EXPECT_TRUE(p.prompts.shown.empty());
}

// An archiver that is missing or that fails is a failure with its reason,
// never a success.
TEST(Arquivador, FalhaDoArquivadorNaoPassaPorSucesso)
{
    {
        ProgramaComRar p(false);
        const QString arquivo = p.pasta() + QStringLiteral("dados.txt");
        grava(arquivo, "x");
        QString motivo;
        EXPECT_TRUE(Funcoes::CompactaArquivo(arquivo, p.pasta() + QStringLiteral("Backup/bkpOrva"), &motivo));
        EXPECT_EQ(motivo, QStringLiteral("O programa rar não foi encontrado em ") + p.pasta() + QLatin1Char('.'));
        EXPECT_FALSE(QFileInfo::exists(p.pasta() + QStringLiteral("Backup/bkpOrva.rar")));
        EXPECT_TRUE(Funcoes::DescompactaArquivo(p.pasta() + QStringLiteral("Backup/bkpOrva.rar"), p.pasta()));
    }
    {
        ProgramaComRar p;
        QString motivo;
        // No backup yet: the archiver finds no archive and ends with an error.
        EXPECT_TRUE(Funcoes::DescompactaArquivo(p.pasta() + QStringLiteral("Backup/bkpOrva.rar"), p.pasta(), &motivo));
        EXPECT_TRUE(motivo.contains(QStringLiteral("terminou com erro"))) << motivo.toStdString();
        EXPECT_TRUE(QFileInfo::exists(p.pasta() + QStringLiteral("orva.mdb")));
        EXPECT_TRUE(p.prompts.shown.empty());
    }
}

// The starter splits the argument text, runs in the program's folder, waits,
// and says whether the program could be started.
TEST(Arquivador, ExecutaEsperaIniciaNaPastaDoProgramaEEspera)
{
    QTemporaryDir dir;
    const QString programa = instalaSubstituto(dir.filePath(QStringLiteral("cliente/prog")));
    RoteiroSubstituto roteiro{{"PAUSA", "200"}, {"SAIDA", "5"}};

    EXPECT_TRUE(Funcoes::ExecutaEspera(programa, QStringLiteral(" \"") + dir.path() + QStringLiteral("/Enviar/\""), 1));
    EXPECT_EQ(QString::fromUtf8(le(dir.filePath(QStringLiteral("cliente/saida.txt")))),
              QDir(dir.filePath(QStringLiteral("cliente"))).canonicalPath() + QStringLiteral("\n[") + dir.path()
                  + QStringLiteral("/Enviar/]\n"));
    EXPECT_FALSE(Funcoes::ExecutaEspera(dir.filePath(QStringLiteral("nao-existe")), QString(), 0));
}
