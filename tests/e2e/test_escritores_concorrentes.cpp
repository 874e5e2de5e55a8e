// Several workstations writing at once through orva-cli: each registers its
// company, opens a protocol, enters rows and exports; all of them also race
// for a protocol of one shared company. Afterwards no protocol number was
// given twice, every row a process was told was saved is stored, and every
// answer was a success or a clean refusal.
#include "support/motor.h"
#include "support/orva_cli.h"
#include "support/sql.h"

#include "core/stores/empresas.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <thread>
#include <vector>

using orvacli::Resposta;

namespace {

// What one writer was told.
struct Relato {
    QString inscricao;
    QString protocolo;        // its own protocol's number
    QString protocoloDisputa; // the shared company's, when it won the race
    int linhasGravadas = 0;
    int linhasExportadas = -1;
    QStringList falhas; // answers that were neither a success nor a clean refusal
};

// The first `quantas` registrations with a right check digit, from `inicio` on.
QStringList inscricoesValidas(int inicio, int quantas)
{
    QStringList validas;
    for (int n = inicio; validas.size() < quantas; ++n) {
        const QString inscricao = orva::stores::inscricaoCompleta(QString::number(n));
        if (orva::stores::inscricaoValida(inscricao))
            validas << inscricao;
    }
    return validas;
}

// A program folder of its own (a workstation) whose Orva.ini names the
// database `alvo`; on the embedded engine every writer shares `comum`.
QString pastaDaEstacao(QTemporaryDir &pasta, Motor motor, const QString &alvo)
{
    orva::install::createProgramFolder(pasta.path());
    if (motor == Motor::Servidor) {
        QFile ini(QDir(pasta.path()).filePath(QStringLiteral("Orva.ini")));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Banco]\r\nServidor=" + alvo.toUtf8() + "\r\n");
    }
    EXPECT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), QDir(pasta.path()).filePath(QStringLiteral("rar" ORVA_EXE))));
    return pasta.path();
}

void escreve(const QString &pasta, int indice, const QString &disputada, Relato &relato)
{
    const auto cli = [&](const QStringList &argumentos) {
        Resposta r = orvacli::roda(pasta, argumentos);
        if (r.saida != 0 && r.saida != 1)
            relato.falhas << argumentos.join(' ') + QStringLiteral(": ") + r.mensagens() + r.err;
        else if (r.saida == 1 && r.mensagens().isEmpty())
            relato.falhas << argumentos.join(' ') + QStringLiteral(": refused without a message");
        return r;
    };
    const bool notas = indice % 2 == 0; // half declare invoices, half apportionment
    Resposta r = cli({"company", "save", "--inscricao", relato.inscricao, "--cnpj", "12345678000195", "--razao-social",
                      QStringLiteral("Estacao %1").arg(indice), "--cnae", "0111301", "--tipo-declaracao",
                      notas ? "0" : "1", "--municipio", "110001"});
    if (r.saida != 0)
        return;
    r = cli({"protocol", "new", "--inscricao", disputada, "--tipo-entrega", "1", "--responsavel",
             QStringLiteral("Estacao %1").arg(indice), "--crc", "0"});
    if (r.saida == 0)
        relato.protocoloDisputa = r.json.value("chave").toString();
    r = cli({"protocol", "new", "--inscricao", relato.inscricao, "--tipo-entrega", "1", "--responsavel", "Ana",
             "--crc", "0"});
    if (r.saida != 0)
        return;
    relato.protocolo = r.json.value("chave").toString();
    for (int linha = 1; linha <= 4; ++linha) {
        const QStringList argumentos =
            notas ? QStringList{"invoice", "save", "--protocolo", relato.protocolo, "--nf", QString::number(linha),
                                "--tipo", "NP", "--valor", QStringLiteral("%1,50").arg(linha)}
                  : QStringList{"apportionment", "save", "--protocolo", relato.protocolo, "--municipio",
                                QString::number(110001 + linha), "--valor-entrada", QStringLiteral("%1,00").arg(linha),
                                "--valor-saida", "0,50"};
        if (cli(argumentos).saida == 0)
            ++relato.linhasGravadas;
    }
    r = cli({"export", "--protocolo", relato.protocolo});
    if (r.saida == 0)
        relato.linhasExportadas = r.json.value("linhas").toInt(-1);
}

void rodaEscritores(Motor motor, int quantos)
{
    ProgramaNoMotor program(motor);
    orva::db::Connection &c = program.connection();
    const QStringList inscricoes = inscricoesValidas(1000, quantos + 1);
    const QString disputada = inscricoes.last();
    sql::executa(c, QStringLiteral("Insert into Empresa (Inscricao, Razao, Cnpj, Cnae, Tipo_Declara, Municipio) Values "
                                   "('%1', 'DISPUTADA', '12345678000195', '0111301', '1', '110001')")
                        .arg(disputada));

    std::vector<std::unique_ptr<QTemporaryDir>> pastas;
    std::vector<QString> caminhos;
    for (int i = 0; i < quantos; ++i) {
        if (motor == Motor::Servidor) {
            pastas.push_back(std::make_unique<QTemporaryDir>());
            caminhos.push_back(pastaDaEstacao(*pastas.back(), motor, program.alvo()));
        } else {
            caminhos.push_back(program.dir.path()); // one orva.mdb for all
        }
    }
    if (motor == Motor::Arquivo) {
        ASSERT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), program.path(QStringLiteral("rar" ORVA_EXE))));
    }

    std::vector<Relato> relatos(quantos);
    std::vector<std::thread> escritores;
    for (int i = 0; i < quantos; ++i) {
        relatos[i].inscricao = inscricoes.at(i);
        escritores.emplace_back(escreve, caminhos[i], i, disputada, std::ref(relatos[i]));
    }
    for (std::thread &t : escritores)
        t.join();

    std::set<QString> numeros;
    int vencedores = 0;
    for (const Relato &r : relatos) {
        SCOPED_TRACE(r.inscricao.toStdString());
        EXPECT_TRUE(r.falhas.isEmpty()) << r.falhas.join('\n').toStdString();
        ASSERT_FALSE(r.protocolo.isEmpty());
        EXPECT_TRUE(numeros.insert(r.protocolo).second) << "protocol " << r.protocolo.toStdString() << " given twice";
        // Every protocol told is the writer's own, with every row it was told was saved.
        EXPECT_EQ(sql::valor(c, QStringLiteral("Select Inscricao From Protocolo Where Protocolo = %1").arg(r.protocolo)),
                  r.inscricao);
        EXPECT_EQ(r.linhasGravadas, 4);
        const qint64 linhas = sql::numero(c, QStringLiteral("Select (Select Count(*) From Notas Where Protocolo = %1) + "
                                                            "(Select Count(*) From Rateio Where Protocolo = %1)")
                                                 .arg(r.protocolo));
        EXPECT_EQ(linhas, r.linhasGravadas);
        EXPECT_EQ(r.linhasExportadas, r.linhasGravadas);
        if (!r.protocoloDisputa.isEmpty()) {
            ++vencedores;
            EXPECT_TRUE(numeros.insert(r.protocoloDisputa).second) << "protocol given twice";
        }
    }
    // The shared company opened exactly one protocol, under the number its winner was told.
    EXPECT_EQ(vencedores, 1);
    EXPECT_EQ(sql::numero(c, QStringLiteral("Select Count(*) From Protocolo Where Inscricao = '%1'").arg(disputada)), 1);
    EXPECT_EQ(sql::numero(c, "Select Count(*) From Protocolo"), qint64(numeros.size()));
}

} // namespace

TEST(EscritoresConcorrentes, EightWorkstationsOnOneServerDatabase)
{
    ORVA_REQUER_POSTGRES();
    rodaEscritores(Motor::Servidor, 8);
}

TEST(EscritoresConcorrentes, ThreeProgramsOnOneDatabaseFile)
{
    rodaEscritores(Motor::Arquivo, 3);
}
