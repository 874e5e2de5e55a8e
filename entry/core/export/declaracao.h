#pragma once
#include "core/db/query.h"

#include <QString>

#include <array>

// The declaration file: fixed-position records "10" (company), "20"
// (protocol), "30" (invoice) and "40" (apportionment). A value longer than its
// width is written whole and pushes the rest of the record right.
namespace orva::declaracao {

// Field kinds.
QString Z(const QString &valor, int largura); // zeros on the left
QString B(const QString &valor, int largura); // blanks on the right
QString V15(double valor);                     // an amount in hundredths
QString C15(qint64 contagem);                  // a count, times 100
QString zeros15();

// The file-name stem "Orva" + 4 protocol digits + 14 registration digits.
QString radical(const QString &protocolo, const QString &inscricao);
// Program folder + "dados/" + stem + ".exp".
QString nomeArquivo(const QString &pastaPrograma, const QString &protocolo, const QString &inscricao);
// Program folder + "enviar/" + stem (the archiver adds ".rar").
QString nomeBaseCompactado(const QString &pastaPrograma, const QString &protocolo, const QString &inscricao);

// Record "10" from the current row of "Select * From Empresa ...".
QString registroEmpresa(orva::db::Query &empresa);

// The five totals of record "20", each already formatted.
using Totais = std::array<QString, 5>;
// Record "20" from the current row of the protocol query; `hoje` is the date
// written when the protocol has no transmission date.
QString registroProtocolo(orva::db::Query &protocolo, const Totais &totais, const QDate &hoje);

// Reads the rows of a detail query ("Select * From Notas/Rateio ...") and
// writes each as its record. Column positions are looked up once.
class RegistroDetalhe {
public:
    // tipoProtocolo 0: invoices, record "30"; 1: apportionment, record "40".
    RegistroDetalhe(orva::db::Query &linhas, int tipoProtocolo);
    // The record of the query's current row.
    QString registro() const;
    // The same record in Windows-1252, appended to `saida`. Rows of plain
    // ASCII are written straight from the stored values; any other row goes
    // through registro().
    void acrescentaWin1252(QByteArray &saida) const;

private:
    QString texto(int coluna) const;
    double valor(int coluna) const;
    bool acrescentaAscii(QByteArray &saida) const;

    orva::db::Query &m_linhas;
    int m_tipo;
    std::vector<int> m_colunas;
    mutable std::vector<orva::db::StoredValue> m_valores;
};

} // namespace orva::declaracao
