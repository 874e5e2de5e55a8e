#pragma once
#include "lancamento.h"
#include "notasorigem.h"

#include <memory>
#include <vector>

namespace orva::db {
class BulkInsert;
class Connection;
class Query;
}

// The invoices (table Notas) of the open invoice protocols: their checks,
// their row life cycle and their statements.
namespace orva::stores {

// What identifies one invoice; all five compared as quoted text.
struct ChaveNota {
    QString inscricao;
    QString exercicio;
    QString municipio;
    QString nf;
    QString tipo;
};

// An invoice to save, as the entry shows it: the amount as typed or shown
// ("1.234,56"), the issue date as DD/MM/YYYY, the origin block as filled.
struct NotaFiscal {
    ChaveNota chave;
    QString protocolo;
    QString emissao;
    QString valor;
    notas::BlocoOrigem origem;
};

// A stored invoice, its values as the database gives them back (dates
// DD/MM/YYYY, amounts "1234,5").
struct NotaGravada {
    ChaveNota chave;
    QString emissao;
    QString valor;
    notas::ValoresOrigem origem;
    QString protocolo;
    QString operacao;
};

class Notas {
public:
    // The messages of the invoice entry.
    static inline const QString kProtocoloInvalido =
        QStringLiteral("Este número de protocolo não existe, \nja foi entregue, ou o é um protocolo de Rateio !");
    static inline const QString kJaCadastrada = QStringLiteral("Nota Fiscal ja Cadastrada para este Exercicio !");
    static inline const QString kValorZero = QStringLiteral("O valor da Nota Fiscal deve ser maior que ZERO !");
    static inline const QString kFaltaCampo = QStringLiteral("Falta o Dados do Campo ");
    // Without a window the user types what the window's pickers and key filters limit.
    static inline const QString kNumeroInvalido = QStringLiteral("O número da nota fiscal deve ter de 1 a 10 dígitos.");
    static inline const QString kNumeroOrigemInvalido =
        QStringLiteral("O número da nota fiscal de origem deve ter de 1 a 10 dígitos.");
    static inline const QString kDataForaDoExercicio =
        QStringLiteral("A data de emissão deve ser uma data entre 01/01/2015 e 31/12/2015 (DD/MM/AAAA).");

    explicit Notas(db::Connection &conexao) : m_conexao(conexao) {}

    // The untransmitted invoice protocol of that number.
    std::optional<ProtocoloAberto> protocoloAberto(const QString &numero);
    // The name of a company that declares invoices; "Não Cadastrado" for any other.
    QString declarante(const QString &inscricao);

    // The municipality of the producer with that state registration (or CPF);
    // "Não Cadastrado" for an emitter who is no registered producer.
    QString municipioDoProdutor(const QString &emitente, bool cpf);

    std::optional<NotaGravada> carrega(const ChaveNota &chave);

    // Refuses an amount that is not above zero and, for an entry note, an
    // origin value that differs; refuses an invoice already in this protocol
    // (it is deleted and entered anew); declares again ("A") one of an earlier
    // protocol; inserts ("I") a new one. The row is committed on return.
    Gravacao grava(const NotaFiscal &nota);
    // Removes an invoice of this protocol; withdraws ("E") one of an earlier
    // protocol into this one; nothing when there is none.
    Exclusao exclui(const ChaveNota &chave, const QString &protocolo);

    // The invoices a protocol will transmit, in key order.
    std::vector<NotaGravada> lista(qint64 protocolo);
    // The protocol an invoice of this key (each part as cut from a record)
    // is stored under; empty when there is none.
    QString protocoloDe(const ChaveNota &chave);

    // What the declaration of a protocol reads: the invoices on `linhas`, in
    // the order they were entered (the same rows give the same file on either
    // engine); their amount and count; and their brief (count, last row,
    // amount in whole cents), which tells whether they changed since.
    void abreDoProtocolo(db::Query &linhas, qint64 protocolo);
    double valorTotal(qint64 protocolo);
    qint64 quantidade(qint64 protocolo);
    QString retrato(qint64 protocolo);

    // The import's insert of whole records, every column a parameter
    // (:pInscricao ... :pOperacao), prepared once for a whole pass.
    static std::unique_ptr<db::BulkInsert> insercaoEmLote(db::Connection &conexao);

    // For an entry without a window: does what leaving each field does (the
    // protocol fills declarant, exercise and municipality; numbers are
    // zero-filled; codes are looked up; amounts rewritten as shown) and
    // checks what the window checks, required fields last. The first
    // refusal's message, nothing when the invoice may be saved.
    std::optional<QString> completa(NotaFiscal &nota);
    // The same for the key alone (what a delete needs).
    std::optional<QString> completaChave(NotaFiscal &nota);
    // A date typed DD/MM/YYYY within the exercise (the window's pickers allow
    // no other); empty text is the exercise's first day, as a new entry shows.
    static std::optional<QDate> dataDoExercicio(const QString &texto);

private:
    db::Connection &m_conexao;
};

} // namespace orva::stores
