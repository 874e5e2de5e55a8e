#pragma once
#include "common/relatorio.h"
#include "core/db/query.h"

#include <QDateTime>
#include <QString>

#include <memory>

class QPagedPaintDevice;

namespace orva::relatorios {

// The rows of an open query as a report reads them, one at a time.
class QuerySource : public orva::report::RowSource {
public:
    explicit QuerySource(orva::db::Query &query) : m_query(query) {}
    void first() override { m_query.first(); }
    bool eof() override { return m_query.eof(); }
    void next() override { m_query.next(); }
    QString text(const QString &field) override { return m_query.fieldByName(field).asString(); }
    double number(const QString &field) override { return m_query.fieldByName(field).asFloat(); }
    bool isNumeric(const QString &field) override;

private:
    orva::db::Query &m_query;
};

// The search window's print button: the list report for the table searched,
// printed on the search window's listing statement and shown in the print
// preview. A statement the database refuses is shown as an error.
void ImprimeRelacao(const QString &tabela, const QString &sql);

} // namespace orva::relatorios

// What the five list reports share: a caption (the preview's), the report
// definition and one forward-reading query on the program's connection,
// closed when the report goes.
class TfrmRelacao {
public:
    virtual ~TfrmRelacao();
    TfrmRelacao(const TfrmRelacao &) = delete;
    TfrmRelacao &operator=(const TfrmRelacao &) = delete;

    const QString &Caption() const { return m_caption; }
    orva::report::Report &Relatorio() { return m_report; }
    orva::db::Query &ADOQuery1();

    // Closes the query, replaces its statement and opens it again.
    void AbreConsulta(const QString &sql);
    // Paints the report over the query's rows; `agora` is the date and time
    // the page header shows. Returns the number of pages.
    int Imprime(QPagedPaintDevice *device, const QDateTime &agora);

protected:
    explicit TfrmRelacao(const QString &caption);

    orva::report::Report m_report;

private:
    QString m_caption;
    std::unique_ptr<orva::db::Query> m_query;
};

// Any code table: code and description, the first two columns of the search.
class TfrmRelacaoTabela : public TfrmRelacao {
public:
    TfrmRelacaoTabela();
    // The title names the table; the detail prints the columns named.
    void DefineTabela(const QString &tabela, const QString &campoCodigo, const QString &campoDescricao);
};

// Apportionment rows by declarant, with entry and exit totals per declarant.
class TfrmRelacaoRateio : public TfrmRelacao {
public:
    TfrmRelacaoRateio();
};

// Invoices by declarant, with a subtotal per declarant.
class TfrmRelacaoNotaFiscal : public TfrmRelacao {
public:
    TfrmRelacaoNotaFiscal();
};

// One line per company.
class TfrmRelacaoEmpresa : public TfrmRelacao {
public:
    TfrmRelacaoEmpresa();
};

// Protocols by exercise, two lines each.
class TfrmRelacaoProtocolo : public TfrmRelacao {
public:
    TfrmRelacaoProtocolo();
};
