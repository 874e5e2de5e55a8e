#pragma once
#include "core/stores/empresas.h"

#include <QDialog>

#include <memory>

namespace Ui {
class frmEmpresa;
}
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The company window: registers the declaring companies of the
// table given by DefineTabela ("Empresa"). Whether "Salvar" inserts or
// updates is decided at save time by looking the registration up again.
class TfrmEmpresa : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEmpresa(QWidget *parent = nullptr);
    ~TfrmEmpresa() override;

    // The table the window maintains; set before the window is shown.
    void DefineTabela(const QString &tabela);
    const QString &strTabela() const { return m_strTabela; }

    // The main menu's "&Cadastros" / "&Empresa": the window on table
    // "Empresa", modal, destroyed when it closes.
    static void Abre(QWidget *parent = nullptr);

    // The companies of the shared connection, on which the window works.
    orva::stores::Empresas &Empresas();

    // Controls.
    QPushButton *btnNovo() const;
    QPushButton *btnSalvar() const;
    QPushButton *btnConsulta() const;
    QPushButton *btnApagar() const;
    QPushButton *btnFechar() const;
    QTabWidget *PageControl1() const;
    QLineEdit *edtInscricao() const;
    QLineEdit *edtCnpj() const;
    QLineEdit *edtRazaoSocial() const;
    QLineEdit *edtCnae() const;
    QLineEdit *edtTipoDeclara() const;
    QLineEdit *edtMunicipio() const;
    QPushButton *btnConsCnae() const;
    QPushButton *btnConsTipoDeclara() const;
    QPushButton *btnConsMunicipio() const;
    QLabel *lblNomeCnae() const;
    QLabel *lblNomeTipoDeclara() const;
    QLabel *lblNomeMunicipio() const;

public slots:
    void FormShow();

    void btnNovoClick();
    void btnSalvarClick();
    void btnConsultaClick();
    void btnApagarClick();
    void btnFecharClick();
    void btnConsCnaeClick();
    void btnConsTipoDeclaraClick();
    void btnConsMunicipioClick();

    void edtInscricaoExit();
    void edtCnpjExit();
    void edtRazaoSocialExit();
    void edtCnaeExit();
    void edtTipoDeclaraExit();
    void edtMunicipioExit();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Loads the company of the registration into the fields (nothing changes
    // when there is none).
    void CarregaEmpresa(const QString &inscricao);
    // A code field's exit: its description into the label; a code that is
    // not registered is emptied, the label keeps "Não Cadastrado".
    void BuscaCodigo(QLineEdit *campo, QLabel *descricao, const QString &tabela);
    // Shows the search window on the table and puts the picked code (empty
    // when none) into the field, then runs the field's exit handler.
    void Consulta(const QString &tabela, bool autoConsulta, QLineEdit *campo, void (TfrmEmpresa::*saida)());

    std::unique_ptr<Ui::frmEmpresa> ui;
    std::unique_ptr<orva::stores::Empresas> m_empresas;
    QString m_strTabela;
    bool m_shown = false;
};
