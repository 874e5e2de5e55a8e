#pragma once
// The two database engines under one test: a program folder whose data
// module is open on orva.mdb, or on a fresh database of the tests'
// PostgreSQL cluster that holds the same tables and reference rows.
#include "support/postgres.h"
#include "support/temp_program.h"

#include "shell/instalacao.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

enum class Motor { Arquivo, Servidor };

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
