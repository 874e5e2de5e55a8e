#pragma once
#include "common/relatorio.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>

class QPagedPaintDevice;

namespace orva::cliente {
struct Recibo;
}

// The client's two reports on Letter paper: the delivery receipt and the
// error report of a declaration that was not received. Created once at
// start-up; each print fills the values first.
class Tfrm_recibo {
public:
    Tfrm_recibo();

    // The banner lines shared by the window and the reports.
    static QStringList linhasBanner();

    orva::report::Report &QRRecibo() { return m_recibo; }
    orva::report::Report &QRErro() { return m_erro; }

    // The receipt report's values: the stored receipt, and the type and
    // rectification texts of the declaration key.
    void DefineRecibo(const orva::cliente::Recibo &recibo, const QString &textoTipo, const QString &textoRetificacao);
    // The error report's values; `problema` as the notice shows it, line
    // breaks already made (TrocaQuebras).
    void DefineErro(const QString &inscricao, const QString &exercicio, const QString &recebido,
                    const QString &problema);

    // Paints a report; `agora` is the date and time of the title band.
    int ImprimeRecibo(QPagedPaintDevice *device, const QDateTime &agora);
    int ImprimeErro(QPagedPaintDevice *device, const QDateTime &agora);

    // The report in the modal print preview, from which the user prints.
    void VisualizaRecibo();
    void VisualizaErro();

private:
    orva::report::Report m_recibo, m_erro;
    QStringList m_colunasRecibo, m_colunasErro;
    QVariantList m_valoresRecibo, m_valoresErro;
};
