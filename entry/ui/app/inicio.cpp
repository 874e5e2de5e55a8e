#include "inicio.h"

#include "core/shell/dtmdados.h"
#include "frmprincipal.h"
#include "ui/shell/funcoes.h"
#include "ui/maintenance/relatorios.h"
#include "ui/shared/frmconsulta.h"

#include "common/plataforma/regional.h"

ObjetosPrograma::~ObjetosPrograma()
{
    if (dtmDados == dados.get())
        dtmDados = nullptr;
    if (::frmConsulta == frmConsulta.get())
        ::frmConsulta = nullptr;
}

std::unique_ptr<ObjetosPrograma> IniciaPrograma()
{
    return IniciaPrograma(orva::plataforma::formatoDataCurta());
}

std::unique_ptr<ObjetosPrograma> IniciaPrograma(const QString &formatoData)
{
    if (!Funcoes::VerificaFormatoData(formatoData))
        return nullptr;
    auto objetos = std::make_unique<ObjetosPrograma>();
    objetos->frmPrincipal = std::make_unique<TfrmPrincipal>();
    objetos->frmConsulta = std::make_unique<TfrmConsulta>();
    ::frmConsulta = objetos->frmConsulta.get();
    ::frmConsulta->ImprimeRelacao = orva::relatorios::ImprimeRelacao;
    objetos->dados = std::make_unique<TdtmDados>();
    dtmDados = objetos->dados.get();
    try {
        objetos->dados->DataModuleCreate();
    } catch (const std::exception &e) {
        Funcoes::TrataExcecao(e);
    }
    return objetos;
}
