#include "dtmdados.h"

#include "common/files.h"
#include "funcoes.h"

TdtmDados *dtmDados = nullptr;

QString TdtmDados::ArquivoBanco()
{
    return orva::files::findIgnoringCase(Funcoes::DiretorioSistema(), QStringLiteral("orva.mdb"));
}

void TdtmDados::DataModuleCreate()
{
    ADOConnection.open(ArquivoBanco());
}

orva::db::Connection &TdtmDados::Conexao()
{
    if (!dtmDados)
        throw orva::db::DatabaseError(QStringLiteral("A conexão com o banco de dados não foi criada."));
    return dtmDados->ADOConnection;
}
