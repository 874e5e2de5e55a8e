#pragma once
#include "core/import/marcasrelatorio.h"
#include "core/import/validacao.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

#include <memory>
#include <optional>

namespace Ui {
class frmValidacao;
}

// Validates an invoice record file under one open invoice protocol and,
// when the file is free of errors and the user agrees, imports it.
class TfrmValidacao : public QDialog {
    Q_OBJECT
public:
    explicit TfrmValidacao(QWidget *parent = nullptr);
    ~TfrmValidacao() override;

    // Opens the window from the main window.
    static void Abre(QWidget *parent = nullptr);

    Ui::frmValidacao *form() const { return ui.get(); }
    // True while a validation or import pass runs.
    bool Processando() const { return m_processando; }
    // The report as its lines.
    QStringList Relatorio() const;
    // Shows the file line whose block holds report line `indice` (from 0)
    // with its faulty fields marked; a double-click on the report does it.
    void AbreLinhaDoRelatorio(int indice);

public slots:
    void FormShow();
    void edtProtocoloExit();
    void edtInscricaoExit();
    void btnConsProtocoloClick();
    void btnConsMunicipioClick();
    void btnValidarClick();
    void btnCancelarClick();
    void btnFecharClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void reject() override;

private:
    void VerificaProtocolo();
    // Validates the file and, when the user agrees, imports it.
    void ValidaArquivo();
    // Empties the report and the progress before a pass.
    void limpaRelatorio();
    orva::importacao::Acompanhamento acompanhamento();
    void mostraAndamento(int processados, int erros, bool sempre);
    void descarregaRelatorio();
    void bloqueia(bool bloquear);

    std::unique_ptr<Ui::frmValidacao> ui;
    orva::importacao::Importador m_importador;
    // The protocol the fields were last filled from; a pass runs only under it.
    std::optional<orva::importacao::Protocolo> m_protocolo;
    QString m_ultimoArquivo;
    QStringList m_relatorioPendente;
    orva::importacao::MarcasRelatorio m_marcas;
    QElapsedTimer m_ultimaPintura;
    bool m_cancelar = false;
    bool m_processando = false;
    bool m_mostrada = false;
};
