#pragma once
#include "conferencia.h"
#include "leitura.h"
#include "core/db/query.h"

#include <QList>

#include <optional>

namespace orva::stores {

// A declaring company as typed and stored.
struct Empresa {
    QString inscricao;
    QString cnpj;
    QString razao;
    QString cnae;
    QString tipoDeclara; // "0" invoices, "1" apportionment
    QString municipio;
    bool operator==(const Empresa &) const = default;
};

// The state registration as stored: left-padded with zeros to 14.
QString inscricaoCompleta(const QString &digitada);
// Fourteen digits (or more) with the right check digit; a character that is
// not a digit makes it as invalid as a wrong check digit.
bool inscricaoValida(const QString &inscricao);
extern const QString inscricaoInvalida; // "Inscrição Estadual Invalida !"

// The declaring companies (table Empresa).
class Empresas {
public:
    explicit Empresas(db::Connection &conexao, QString tabela = QStringLiteral("Empresa"));

    // The company of the registration (as stored, 14 digits); nothing when
    // there is none. Remembered as read: a later save of that registration
    // is refused if another program changed, deleted or inserted it since.
    std::optional<Empresa> carrega(const QString &inscricao);
    // Checks the company as the window does (required fields in the
    // window's order, the registration and CNPJ/CPF check digits, codes
    // registered in their tables), then inserts or updates it. The
    // registration is padded and the name upper-cased in `empresa` first.
    // Returns the refusal, or empty text once the row is committed.
    // A duplicate key at the insert is refused, not raised.
    QString grava(Empresa &empresa);
    // Deletes the company (its protocols and rows are left as they are);
    // true when there was one.
    bool apaga(const QString &inscricao);
    QList<Empresa> lista();

    // Opens on `q` the row of the company of that registration (as stored);
    // false when there is none.
    static bool abre(db::Query &q, const QString &inscricao);
    // How many companies the database holds.
    static qint64 quantas(db::Connection &conexao);

    // Whether the last save inserted (rather than updated) the company.
    bool inseriu() const { return m_inseriu; }
    // What the last read and the last write sent to the database.
    db::Query &consulta() { return m_query; }
    db::Command &comando() { return m_command; }

private:
    std::optional<Empresa> le(const QString &inscricao);

    db::Connection &m_conexao;
    QString m_tabela;
    db::Query m_query;
    db::Command m_command;
    bool m_inseriu = false;
    Leitura<Empresa> m_lida;
};

} // namespace orva::stores
