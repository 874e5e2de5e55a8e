#pragma once
#include <QMainWindow>

#include <memory>

namespace Ui {
class frmPrincipal;
}

// The main window: only a menu, the way into every other window. Closing it
// ends the program.
class TfrmPrincipal : public QMainWindow {
    Q_OBJECT

public:
    explicit TfrmPrincipal(QWidget *parent = nullptr);
    ~TfrmPrincipal() override;

public slots:
    // Cadastros
    void Empresa1Click();
    void ProtocolodeTransmisso1Click();
    void Importao1Click();
    void Exportao1Click();
    // Lançamentos
    void Rateio1Click();
    // Ferramentas
    void Compatacao1Click();
    void FazerCpiadeSegurana1Click();
    void RestaurarCpiadeSegurana1Click();
    void CopiarArquivoGeradoparaDisquete1Click();
    void Reabriroprotocoloparaalteraes1Click();
    // Ajuda
    void Sober1Click();
    // Sair: closes the main window, ending the program.
    void Sair1Click();
    // Commands no menu item offers.
    void NotasFiscais1Click();
    void Produtos1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void MostraMenusOpcionais();

    std::unique_ptr<Ui::frmPrincipal> ui;
    bool m_shown = false;
};
