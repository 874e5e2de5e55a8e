#pragma once
#include "core/export/exportacao.h"

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class frmExportacao;
}

// Turns one open protocol into its declaration file, packs it, starts the
// delivery client (or offers the copy window) and marks the protocol.
class TfrmExportacao : public QDialog {
    Q_OBJECT
public:
    explicit TfrmExportacao(QWidget *parent = nullptr);
    ~TfrmExportacao() override;

    // Opens the window from the main menu.
    static void Abre(QWidget *parent = nullptr);

    Ui::frmExportacao *form() const { return ui.get(); }
    // The records "10" and "20" of the protocol loaded last (empty when none).
    const QString &RegistroEmpresa() const { return m_registroEmpresa; }
    const QString &RegistroProtocolo() const;

public slots:
    void FormShow();
    void edtProtocoloExit();
    void edtInscricaoExit();
    void btnConsProtocoloClick();
    void btnValidarClick();
    void btnCancelarClick();
    void btnFecharClick();

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void CarregaProtocolo();
    // Forgets the protocol loaded before: a failed lookup must leave nothing
    // that a run could pair with another protocol's rows.
    void EsqueceProtocolo();
    void Exporta();

    std::unique_ptr<Ui::frmExportacao> ui;
    orva::exportacao::Exportador m_exportador;
    std::optional<orva::exportacao::ProtocoloCarregado> m_protocolo;
    QString m_registroEmpresa;
    bool m_cancelar = false;
    bool m_exportando = false;
    bool m_mostrada = false;
};
