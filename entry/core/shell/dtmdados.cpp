#include "dtmdados.h"

#include "common/files.h"
#include "configuracao.h"
#include "funcoesbase.h"
#include "core/db/versao.h"

TdtmDados *dtmDados = nullptr;

QString TdtmDados::ArquivoBanco()
{
    return orva::files::findIgnoringCase(Funcoes::DiretorioSistema(), QStringLiteral("orva.mdb"));
}

QString TdtmDados::OrigemBanco()
{
    const QString servidor = orva::configuracao::lerServidorBanco(Funcoes::DiretorioSistema());
    return servidor.isEmpty() ? ArquivoBanco() : servidor;
}

void TdtmDados::DataModuleCreate()
{
    ADOConnection.open(OrigemBanco());
    // A database of an older program is brought up to date (a copy kept
    // beside it); one of a newer program is refused.
    try {
        orva::db::atualizaEsquema(ADOConnection, Tabelas());
    } catch (...) {
        ADOConnection.close();
        throw;
    }
}

orva::db::Connection &TdtmDados::Conexao()
{
    if (!dtmDados)
        throw orva::db::DatabaseError(QStringLiteral("A conexão com o banco de dados não foi criada."));
    return dtmDados->ADOConnection;
}

const QStringList &TdtmDados::Tabelas()
{
    static const QStringList tabelas = {
        QStringLiteral("Empresa"),      QStringLiteral("Protocolo"),    QStringLiteral("Notas"),
        QStringLiteral("Rateio"),       QStringLiteral("Municipios"),   QStringLiteral("CNAE"),
        QStringLiteral("Tipo_Declara"), QStringLiteral("Tipo_Entrega"), QStringLiteral("Tipo_Entrada"),
        QStringLiteral("Produtos"),     QStringLiteral("Produtor"),     QStringLiteral("vwNotaFiscal"),
        QStringLiteral("vwRateio"),
    };
    return tabelas;
}

void TdtmDados::VerificaBanco(orva::db::Connection &conexao) { conexao.verify(Tabelas()); }
