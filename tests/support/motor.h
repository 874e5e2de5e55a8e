#pragma once
// The two database engines under one test: a program folder whose data
// module is open on orva.mdb, or on a fresh database of the tests'
// PostgreSQL cluster that holds the same tables and reference rows.
#include "support/postgres.h"
#include "support/sql.h"
#include "support/temp_program.h"

#include "core/export/exportacao.h"
#include "core/shell/instalacao.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

enum class Motor { Arquivo, Servidor };

// The company, protocol 7 and its thirty invoices (amounts in cents, accented
// names) that the engine tests export on either engine.
inline void preencheProtocolo7(orva::db::Connection &c)
{
    sql::executa(c, "Insert into Empresa Values ('00000000000001', 'CONSTRUÇÃO ÁGUA LTDA', '12345678000195', '4711302', "
                    "'0', '110001')");
    sql::executa(c, "Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, "
                    "Crc, Responsavel, Razao, Cnpj, Municipio) Values (7, 0, '1', '2015', '00000000000001', "
                    "'2015-03-05', '', 'JOSÉ', 'CONSTRUÇÃO ÁGUA LTDA', '12345678000195', '110001')");
    for (int i = 1; i <= 30; ++i)
        sql::executa(c, QStringLiteral("Insert into Notas Values ('00000000000001', '2015', '110002', '%1', "
                                       "'2015-02-10', 'NP', %2, 1, '0000000000', '1900-01-01', 0, "
                                       "'00000000000000', '', 0, '', 7, 'I')")
                            .arg(i, 10, 10, QLatin1Char('0'))
                            .arg(i * 1234.57, 0, 'f', 2));
}

inline const char *nome(Motor motor) { return motor == Motor::Servidor ? "Servidor" : "Arquivo"; }
inline void PrintTo(Motor motor, std::ostream *saida) { *saida << nome(motor); }

class ProgramaNoMotor : public TempProgram {
public:
    explicit ProgramaNoMotor(Motor motor)
    {
        if (motor != Motor::Servidor)
            return;
        m_banco = std::make_unique<BancoPostgres>();
        orva::install::createServerDatabase(m_banco->conexao());
        connection().open(m_banco->conexao());
    }
    ~ProgramaNoMotor() { connection().close(); }

    // What a second program opens to reach the same database.
    QString alvo() const { return m_banco ? m_banco->conexao() : TdtmDados::ArquivoBanco(); }

private:
    std::unique_ptr<BancoPostgres> m_banco;
};

// Exports protocol 7 of the program's database (dated 01/06/2015) and
// returns the declaration file written.
inline QByteArray exportaProtocolo7(const TempProgram &program, orva::db::Connection &c)
{
    EXPECT_TRUE(QFile::copy(QStringLiteral(ORVA_DIST_DIR "/rar" ORVA_EXE), program.path("rar" ORVA_EXE)));
    orva::exportacao::Exportador exportador(c);
    const auto e = exportador.executa("7", QDate(2015, 6, 1), {}, [](const orva::exportacao::Exportacao &) {});
    EXPECT_EQ(e.fim, orva::exportacao::Execucao::Fim::Concluida) << e.mensagem.toStdString();
    const QStringList arquivos = QDir(program.path("dados")).entryList(QDir::Files);
    EXPECT_EQ(arquivos.size(), 1);
    QFile arquivo(program.path("dados/" + arquivos.value(0)));
    return arquivo.open(QIODevice::ReadOnly) ? arquivo.readAll() : QByteArray();
}

// A test run once per engine; the server run skips without a cluster.
class NosDoisMotores : public ::testing::TestWithParam<Motor> {
protected:
    void SetUp() override
    {
        if (GetParam() == Motor::Servidor)
            ORVA_REQUER_POSTGRES();
    }
};

inline std::string nomeDoMotor(const ::testing::TestParamInfo<Motor> &info) { return nome(info.param); }

#define ORVA_NOS_DOIS_MOTORES(Suite)                                                                                \
    class Suite : public NosDoisMotores {};                                                                        \
    INSTANTIATE_TEST_SUITE_P(Motores, Suite, ::testing::Values(Motor::Arquivo, Motor::Servidor), nomeDoMotor)
