#pragma once
#include "core/db/query.h"
#include "core/stores/rateios.h"

#include <QDialog>

#include <memory>

namespace Ui {
class frmRateio;
}
class QueryTableModel;

// Apportionment entry: for one open apportionment protocol, the declarant's
// entry and exit values split by municipality, one Rateio row each.
class TfrmRateio : public QDialog {
    Q_OBJECT
public:
    explicit TfrmRateio(QWidget *parent = nullptr);
    ~TfrmRateio() override;

    // Opens the window from the main menu, on table "Rateio".
    static void Abre();

    void DefineTabela(const QString &tabela);

    Ui::frmRateio *form() const { return ui.get(); }
    QueryTableModel *grade() const { return m_grade; }

    void VerificaProtocolo();
    void AtualizaGrade();
    void GravaRateio();
    void ExcluiRateio();

public slots:
    void FormShow();
    void FormClose();
    void btnNovoClick();
    void btnConsultaClick();
    void btnFecharClick();
    void edtProtocoloExit();
    void btnConsProtocoloClick();
    void edtInscricaoExit();
    void edtMunicipioExit();
    void btnConsMunicipioClick();
    void edtValorEntradaExit();
    void edtValorSaidaExit();
    void btnGravarClick();
    void btnExcluirClick();
    void DBGridDblClick();

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    // The row on screen.
    orva::stores::ChaveRateio Chave() const;
    bool CamposCompletos();
    // Keeps protocol, declarant and exercise, clears the rest, checks the protocol again.
    void RecomecaLancamento();

    std::unique_ptr<Ui::frmRateio> ui;
    QString strTabela;
    orva::db::Query ADOQuery; // the grid's rows
    orva::stores::Rateios m_rateios;
    QueryTableModel *m_grade = nullptr;
    bool m_mostrada = false;
};
