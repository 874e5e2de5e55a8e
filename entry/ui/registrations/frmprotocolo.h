#pragma once
#include "core/stores/protocolos.h"

#include <QDialog>

#include <memory>

namespace Ui {
class frmProtocolo;
}
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

// Transmission protocols: the header of one declaration, binding a declarant
// company to one declaration of one type for the exercise. Here they are
// created, changed, deleted and, in the reopen mode, reopened after export.
class TfrmProtocolo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmProtocolo(QWidget *parent = nullptr);
    ~TfrmProtocolo() override;

    // What the main window's two commands do: open the window on table
    // "Protocolo", modally, and destroy it when it closes.
    static void Abre(QWidget *parent = nullptr);
    static void AbreReabertura(QWidget *parent = nullptr);

    void DefineTabela(const QString &tabela);
    const QString &Tabela() const { return strTabela; }
    // Reopen mode: only finding a protocol and reopening it are offered.
    void DefineModoReabertura();

    // The window's operations on the protocol whose number is on screen.
    void CarregaProtocolo();
    void VerificaProtocoloAberto();
    void GravaProtocolo();
    void ApagaProtocolo();
    void ReabreProtocolo();

    // The protocols of the shared connection, on which the window works.
    orva::stores::Protocolos &Protocolos();

    // Tab "Dados do Protocolo".
    QLineEdit *edtResponsavel() const;
    QLineEdit *edtInscricao() const;
    QLineEdit *edtCrcContador() const;
    QLineEdit *edtTipoEntrega() const;
    QLineEdit *edtProtocolo() const;
    QToolButton *btnConsTipoEntrega() const;
    QLabel *lblNomeTipoEntrega() const;
    QToolButton *btnConsEmpresa() const;
    QLabel *lblNomeEmpresa() const;
    QPushButton *btnReAbrir() const;
    // Tab "Dados Complementares".
    QTabWidget *PageControl1() const;
    QFrame *pnlComplementares() const;
    QLineEdit *edtTipoProtocolo() const;
    QLabel *lblNomeTipoProtocolo() const;
    QLineEdit *edtDataCricao() const;
    QLineEdit *edtDataTransmissao() const;
    QLineEdit *edtQtdeNota() const;
    QLineEdit *edtValorNota() const;
    QLineEdit *edtQtdeMunicipio() const;
    QLineEdit *edtValorEntrada() const;
    QLineEdit *edtValorSaida() const;
    QLineEdit *edtCnpj() const;
    QLineEdit *edtMunicipio() const;
    QLineEdit *edtRazaoSocial() const;
    // Toolbar.
    QPushButton *btnNovo() const;
    QPushButton *btnSalvar() const;
    QPushButton *btnConsulta() const;
    QPushButton *btnApagar() const;
    QPushButton *btnFechar() const;

public slots:
    void FormShow();
    void btnNovoClick();
    void btnSalvarClick();
    void btnConsultaClick();
    void btnApagarClick();
    void btnFecharClick();
    void btnReAbrirClick();
    void btnConsTipoEntregaClick();
    void btnConsEmpresaClick();
    void edtProtocoloExit();
    void edtTipoEntregaExit();
    void edtInscricaoExit();
    void edtResponsavelExit();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Describes the protocol type of the second tab.
    void DescricaoTipoProtocolo();
    // The values of the window's first tab.
    orva::stores::Protocolo DaTela() const;

    std::unique_ptr<Ui::frmProtocolo> ui;
    std::unique_ptr<orva::stores::Protocolos> m_protocolos;
    QString strTabela;
    bool m_shown = false;
};
