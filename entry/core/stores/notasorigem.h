#pragma once
#include <QDate>
#include <QString>

#include <optional>

namespace orva::db {
class Parameters;
}

// The origin note of an invoice: the producer's document that the
// declarant's own entry note ("NE") was issued for. Only "NE" invoices carry
// one; every other type is stored with neutral origin values.
namespace orva::notas {

// The invoice type that carries an origin note; also the default type.
inline constexpr char kTipoComOrigem[] = "NE";

// The messages of the origin note rules.
inline const QString kEmitenteSemInscricao =
    QStringLiteral("Para o tipo de NF informado, o emitente deve ter inscrição estadual!");
inline const QString kCpfInvalido = QStringLiteral("C.P.F. do Emitente de origem esta Invalido !");
inline const QString kInscricaoInvalida = QStringLiteral("Inscrição Estadual do Emitente de origem esta Invalida !");
inline const QString kTipoNfInvalido = QStringLiteral("Tipo de Nota Fiscal Invalido !");
inline const QString kValorOrigemZero = QStringLiteral("O valor da Nota Fiscal de origem deve ser maior que ZERO !");
inline const QString kValoresDiferentes =
    QStringLiteral("O valor da nota fiscal de origem \nnão confere com o valor da nota fiscal de entrada !");

// Emitter kinds stored in TIPO_EMITENTE_ORIGEM.
enum class TipoEmitente { Nenhum = 0, InscricaoEstadual = 1, Cpf = 2 };

// What the origin block shows when an invoice is saved.
struct BlocoOrigem {
    QString municipio;
    bool cpf = false;        // "2 - CPF" chosen instead of the state registration
    QString emitente;
    int tamanhoEmitente = 14; // the emitter field's current maximum length
    QString tipoNf;
    QString nota;
    QDate data;
    QString valor; // as shown
};

// The values of the seven origin columns, as the invoice statements bind them.
struct ValoresOrigem {
    QString municipio;
    int tipoEmitente = 0;
    QString emitente;
    QString tipoNf;
    QString nota;
    QString data;  // DD/MM/YYYY
    QString valor; // an amount text; "0" when there is no origin note
};

// The block's values for an "NE" invoice (emitter and number zero-filled),
// the neutral values for any other type.
ValoresOrigem valoresOrigem(const QString &tipoNota, const BlocoOrigem &bloco);

// Declares and fills pMunicipioOrigem, pTipoEmitenteOrigem, pEmitenteOrigem,
// pTipoNfOrigem, pNotaOrigem, pDtEmissaoOrigem and pValorNfOrigem.
void defineParametrosOrigem(orva::db::Parameters &parametros, const ValoresOrigem &valores);

// The emitter as typed, checked by its kind: a state registration is first
// left-filled with "0" to 14. The window's message when it is invalid.
std::optional<QString> recusaEmitente(const QString &emitente, bool cpf);
// The emitter a state registration check reads: left-filled to 14.
QString inscricaoDoEmitente(const QString &emitente);

// Origin note types: a producer's note or a loose note.
bool tipoNfValido(const QString &tipo);

// Whether the invoice value and the origin value show the same amount. A
// value read back from the database ("1234,5") and the same value rewritten
// by a field ("1.234,50") are one amount; texts that are no amounts are
// compared as they stand.
bool mesmoValor(const QString &valorNota, const QString &valorOrigem);

} // namespace orva::notas
