#pragma once
#include "lancamento.h"

#include <vector>

namespace orva::db {
class Connection;
class Query;
}

// The apportionment rows (table Rateio) of the open apportionment protocols:
// one row per declarant, exercise and municipality with the entry and exit
// values; their checks, their row life cycle and their statements.
namespace orva::stores {

// What identifies one row; the three compared as quoted text.
struct ChaveRateio {
    QString inscricao;
    QString exercicio;
    QString municipio;
};

// A row to save, the amounts as typed or shown ("1.234,56").
struct Rateio {
    ChaveRateio chave;
    QString protocolo;
    QString valorEntrada;
    QString valorSaida;
};

// A stored row, the amounts as the database gives them back ("1234,5").
struct RateioGravado {
    ChaveRateio chave;
    QString valorEntrada;
    QString valorSaida;
    QString protocolo;
    QString operacao;
};

class Rateios {
public:
    // The messages of the apportionment entry.
    static inline const QString kProtocoloInvalido = QStringLiteral(
        "Este número de protocolo não existe, \nja foi entregue, ou o é um protocolo de Notas Fiscais !");
    static inline const QString kJaCadastrado = QStringLiteral("Rateio ja Cadastrado para este Municipio !");
    static inline const QString kEntradaZero = QStringLiteral("O valor das Entradas de Rateio deve ser maior que ZERO !");
    static inline const QString kSaidaZero = QStringLiteral("O valor das Saidas de Rateio deve ser maior que ZERO !");
    static inline const QString kFaltaCampo = QStringLiteral("Falta os Dados do Campo ");
    static inline const QString kProtocoloNaoNumerico = QStringLiteral("O número do protocolo deve conter apenas dígitos.");

    explicit Rateios(db::Connection &conexao) : m_conexao(conexao) {}

    // The untransmitted apportionment protocol of that number.
    std::optional<ProtocoloAberto> protocoloAberto(const QString &numero);
    // The name of a company that declares apportionment; "Não Cadastrado" for any other.
    QString declarante(const QString &inscricao);

    // Refuses an amount that is not above zero and a row already in this
    // protocol (it is deleted and entered anew); declares again ("A") a row
    // of an earlier protocol; inserts ("I") a new one. Committed on return.
    Gravacao grava(const Rateio &rateio);
    // Removes a row of this protocol; withdraws ("E") one of an earlier
    // protocol into this one; nothing when there is none.
    Exclusao exclui(const ChaveRateio &chave, const QString &protocolo);

    // Opens on `grade` the declarant's rows of the exercise as the entry's
    // grid shows them (municipality code and name, the two values).
    void abreGrade(db::Query &grade, const QString &inscricao, const QString &exercicio);
    // The declarant's rows of the exercise, with their protocol and operation.
    std::vector<RateioGravado> lista(const QString &inscricao, const QString &exercicio);

    // What the declaration of a protocol reads: the rows on `linhas`, in the
    // order they were entered (the same rows give the same file on either
    // engine); their entry and exit totals and count; and their brief
    // (count, last row, amounts in whole cents), which tells whether they
    // changed since.
    void abreDoProtocolo(db::Query &linhas, qint64 protocolo);
    double totalEntradas(qint64 protocolo);
    double totalSaidas(qint64 protocolo);
    qint64 quantidade(qint64 protocolo);
    QString retrato(qint64 protocolo);

    // For an entry without a window: does what leaving each field does (the
    // protocol fills declarant and exercise; the municipality is looked up;
    // amounts rewritten as shown) and checks what the window checks,
    // required fields last. The first refusal's message, or nothing.
    std::optional<QString> completa(Rateio &rateio);
    // The same for the key alone (what a delete needs).
    std::optional<QString> completaChave(Rateio &rateio);

private:
    db::Connection &m_conexao;
};

} // namespace orva::stores
