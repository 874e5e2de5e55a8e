#pragma once
#include "core/stores/notas.h"

#include <QDialog>

#include <memory>

namespace Ui {
class frmNotaFiscal;
}
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

// Invoice entry: the invoices of one open invoice protocol, typed by hand.
// The protocol gives the declarant, the exercise and the municipality; the
// user types the invoice (type, number, issue date, value) and, for the
// declarant's own entry note, the origin note it was issued for. Each save
// or delete is one statement; OPERACAO records whether the row is new in the
// protocol (I), an earlier protocol's invoice declared again (A) or one
// withdrawn (E).
class TfrmNotaFiscal : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNotaFiscal(QWidget *parent = nullptr);
    ~TfrmNotaFiscal() override;

    // The main window's invoice command: the window on table "Dados",
    // modally, destroyed when it closes.
    static void Abre(QWidget *parent = nullptr);

    // The table parameter, one value for every instance of the window.
    static void DefineTabela(const QString &tabela);
    static const QString &Tabela() { return strTabela; }

    // The window's operations on the invoice whose key is on screen.
    void VerificaProtocolo();
    void CarregaNotaFiscal();
    void GravaNotaFiscal();
    void ExcluiNotaFiscal();
    // Shows the origin block and marks its fields required.
    void ObrigaNotaOrigem();

    QPushButton *btnNovo() const;
    QPushButton *btnConsulta() const;
    QPushButton *btnFechar() const;
    QLineEdit *edtProtocolo() const;
    QToolButton *btnConsProtocolo() const;
    QLabel *lblTipoEntrega() const;
    QGroupBox *grpDeclarante() const;
    QLineEdit *edtExercicio() const;
    QLineEdit *edtInscricao() const;
    QLabel *lblNomeEmpresa() const;
    QLineEdit *edtMunicipio() const;
    QLabel *lblNomeMunicipio() const;
    QLineEdit *edtTipoEntrada() const;
    QToolButton *btnConsTipoEntrada() const;
    QLabel *lblNomeTipoEntrada() const;
    QLineEdit *edtNotaFiscal() const;
    QDateEdit *dtpEmissao() const;
    QLineEdit *edtValorNotaFiscal() const;
    // The origin note block.
    QGroupBox *Panel5() const;
    QRadioButton *rbtInscEstOrigem() const;
    QRadioButton *rbtCpfOrigem() const;
    QLineEdit *edtEmitenteOrigem() const;
    QToolButton *btnConsEmitenteOrigem() const;
    QLineEdit *edtMunicipioOrigem() const;
    QToolButton *btnConsMunicipioOrigem() const;
    QLabel *lblNomeMunicipioOrigem() const;
    QComboBox *cmbTipoNFOrigem() const;
    QLineEdit *edtNotaFiscalOrigem() const;
    QDateEdit *dtpEmissaoOrigem() const;
    QLineEdit *edtValorNfOrigem() const;
    QPushButton *btnGravar() const;
    QPushButton *btnExcluir() const;

public slots:
    void FormShow();
    void FormClose();
    void btnNovoClick();
    void btnConsultaClick();
    void btnFecharClick();
    void btnConsProtocoloClick();
    void edtProtocoloExit();
    void edtInscricaoExit();
    void edtMunicipioExit();
    void btnConsTipoEntradaClick();
    void edtTipoEntradaExit();
    void edtTipoEntradaMouseMove();
    void edtNotaFiscalExit();
    void edtValorNotaFiscalExit();
    void btnGravarClick();
    void btnExcluirClick();
    // The origin note block.
    void edtEmitenteOrigemEnter();
    void edtEmitenteOrigemExit();
    void btnConsEmitenteOrigemClick();
    void edtMunicipioOrigemExit();
    void btnConsMunicipioOrigemClick();
    void cmbTipoNFOrigemExit();
    void edtNotaFiscalOrigemExit();
    void edtValorNfOrigemExit();

public:
    // Closing the window in any way runs FormClose.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Names the first empty required field in an error box; false when one is empty.
    bool CamposCompletos();
    // The key of the invoice on screen.
    orva::stores::ChaveNota Chave() const;
    // Both issue date pickers back to the exercise's range and first day.
    void DefineDatas();
    // Empties the origin block when the key on screen has no invoice.
    void LimpaNotaOrigem();
    // Fills the origin block from a stored "NE" invoice.
    void CarregaNotaOrigem(const orva::notas::ValoresOrigem &origem);
    // Selects the origin type in the list (or sets the text when it is none
    // of the listed types).
    void DefineTipoNfOrigem(const QString &tipo);
    // Sets a field's text without cutting it to the field's maximum length,
    // which limits what the user types, not what the program writes.
    static void PoeTexto(QLineEdit *campo, const QString &texto);

    std::unique_ptr<Ui::frmNotaFiscal> ui;
    orva::stores::Notas m_notas;
    bool m_shown = false;
    bool m_entering = false;

    static QString strTabela;
};
