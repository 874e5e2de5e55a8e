#include "notasorigem.h"

#include "common/errors.h"
#include "core/db/parameters.h"
#include "core/shell/funcoesbase.h"
#include "core/shell/validadores.h"
#include "core/shell/regional.h"

#include <cmath>

namespace orva::notas {

namespace {
// Width of the origin note number.
constexpr int kTamanhoNota = 10;
// The emitter column is as wide as a state registration.
constexpr int kTamanhoEmitente = 14;
// Stands for an absent date in stored invoices.
const QString kSemData = QStringLiteral("01/01/1900");
} // namespace

ValoresOrigem valoresOrigem(const QString &tipoNota, const BlocoOrigem &bloco)
{
    ValoresOrigem v;
    if (tipoNota != QLatin1String(kTipoComOrigem)) {
        v.tipoEmitente = static_cast<int>(TipoEmitente::Nenhum);
        v.emitente = QString(kTamanhoEmitente, QLatin1Char('0'));
        v.nota = QString(kTamanhoNota, QLatin1Char('0'));
        v.data = kSemData;
        v.valor = QStringLiteral("0");
        return v;
    }
    v.municipio = bloco.municipio;
    v.tipoEmitente = static_cast<int>(bloco.cpf ? TipoEmitente::Cpf : TipoEmitente::InscricaoEstadual);
    v.emitente = Funcoes::ZerosEsquerda(bloco.emitente, bloco.tamanhoEmitente);
    v.tipoNf = bloco.tipoNf;
    v.nota = Funcoes::ZerosEsquerda(bloco.nota, kTamanhoNota);
    v.data = regional::formatDate(bloco.data);
    v.valor = bloco.valor;
    return v;
}

void defineParametrosOrigem(orva::db::Parameters &p, const ValoresOrigem &v)
{
    using orva::db::ParamKind;
    p.add(QStringLiteral("pTipoEmitenteOrigem"), ParamKind::Integer).setValue(v.tipoEmitente);
    p.add(QStringLiteral("pEmitenteOrigem"), ParamKind::Text).setValue(v.emitente);
    p.add(QStringLiteral("pTipoNfOrigem"), ParamKind::Text).setValue(v.tipoNf);
    p.add(QStringLiteral("pNotaOrigem"), ParamKind::Text).setValue(v.nota);
    p.add(QStringLiteral("pDtEmissaoOrigem"), ParamKind::Date).setValue(v.data);
    // The amount as shown ("1.234,56"); the parameter reads the grouped form.
    p.add(QStringLiteral("pValorNfOrigem"), ParamKind::Float).setValue(v.valor);
    p.add(QStringLiteral("pMunicipioOrigem"), ParamKind::Text).setValue(v.municipio);
}

QString inscricaoDoEmitente(const QString &emitente)
{
    return Funcoes::ZerosEsquerda(emitente, kTamanhoEmitente);
}

std::optional<QString> recusaEmitente(const QString &emitente, bool cpf)
{
    if (cpf)
        return Funcoes::ValidaCnpjCpf(emitente) ? std::nullopt : std::optional<QString>(kCpfInvalido);
    bool valida = false;
    try {
        valida = Funcoes::ValidaInscricao(inscricaoDoEmitente(emitente));
    } catch (const orva::Error &) {
        // A character that is not a digit: as invalid as a wrong check digit.
    }
    return valida ? std::nullopt : std::optional<QString>(kInscricaoInvalida);
}

bool tipoNfValido(const QString &tipo) { return tipo == QLatin1String("NP") || tipo == QLatin1String("NA"); }

bool mesmoValor(const QString &valorNota, const QString &valorOrigem)
{
    const auto nota = regional::parseAmount(valorNota);
    const auto origem = regional::parseAmount(valorOrigem);
    if (nota && origem)
        return std::llround(*nota * 100) == std::llround(*origem * 100);
    return valorNota == valorOrigem;
}

} // namespace orva::notas
