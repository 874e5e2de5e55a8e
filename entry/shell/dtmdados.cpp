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
