#pragma once
#include "client/cliente.h"

#include <QMainWindow>

#include <memory>
#include <optional>

namespace Ui {
class frm_main;
}
class QComboBox;
class QWindow;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class Tfrm_atencao;
class Tfrm_recibo;
class Tfrm_selecione;
class TFrmDownload;

// The delivery client's main window: the origin folder and its packed
// declarations on the left, the stored receipts on the right. The steps run
// in the client engine; this window shows its lists and its dialogs.
class Tfrm_main : public QMainWindow, private orva::cliente::Dialogos {
    Q_OBJECT
public:
    // `pastaCliente`: the client's program folder ("recv", the archiver
    // beside it); `arquivoIni`: its settings file (empty: ClienteORVA.INI in
    // that folder). Runs the creation step.
    explicit Tfrm_main(const QString &pastaCliente, const QString &arquivoIni = QString(), QWidget *parent = nullptr);
    ~Tfrm_main() override;

    // Start-up: the application title, the main window and the windows that
    // live as long as it, in their order, and the origin folder of the
    // command line (listed when given), with the archive `declaracao` of it
    // selected as a click selects it, when it is listed.
    static std::unique_ptr<Tfrm_main> Inicia(const QString &pastaCliente, const QString &arquivoIni,
                                             const QString &origem, const QString &declaracao = QString());
    static QString tituloAplicacao();
    // Keeps the window above the window `dona` of another program (the one
    // that started this one), as a dialog of it.
    void ficaSobre(quintptr dona);
    // The same with the opener's window itself. A dialog of another window is
    // not one Qt counts as the program's last window, so from here on the
    // program ends when this window closes, not when a message box does.
    void ficaSobre(QWindow *dona);

    // The windows created at start-up (created on first use otherwise).
    Tfrm_recibo *frm_recibo();
    Tfrm_selecione *frm_selecione();
    TFrmDownload *FrmDownload();

    orva::cliente::Cliente &cliente() { return m_cliente; }

    // Controls.
    QComboBox *ComboBox1() const;
    QPushButton *BitBtn5() const;
    QPushButton *BitBtn6() const;
    QListWidget *ListBox1() const;
    QPushButton *BitBtn1() const;
    QPushButton *BitBtn2() const;
    QListWidget *ListBox2() const;
    QRadioButton *RadioButton1() const;
    QRadioButton *RadioButton2() const;
    QRadioButton *RadioButton3() const;
    QPushButton *BitBtn7() const;
    QPushButton *BitBtn3() const;
    QPushButton *BitBtn4() const;
    // The progress of a delivery or a fetch, and the button that stops it.
    QLabel *lblAndamento() const;
    QProgressBar *ProgressBar1() const;
    QPushButton *btnCancelar() const;
    // An exchange with the server is running (the other commands wait).
    bool emTransmissao() const { return m_trocando; }

    // The notice dialog: success variant, then failure variant with its
    // error report. Both are modal.
    // The success notice; with `confirmacao` it asks whether to go on (the
    // "200" notice) and returns true only for "Continuar >>".
    bool MostraAviso(const QString &mensagem1, const QString &mensagem2, bool confirmacao = false);
    void MostraFalha(const QString &mensagem1, const QString &mensagem2);

    // Lists the archives of `pasta` (the origin folder text is not changed).
    void ListaDeclaracoes(const QString &pasta);
    // Refills the receipts list with the filter of the options.
    void ListaComprovantes();

public slots:
    void FormCreate();
    void ListBox1Click();
    void BitBtn1Click();
    void BitBtn5Click();
    void BitBtn2Click();
    void BitBtn6Click();
    void ListBox2Click();
    void RadioButtonClick();
    void BitBtn7Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void btnCancelarClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the engine shows.
    void aviso(const QString &mensagem1, const QString &mensagem2) override;
    bool confirma(const QString &mensagem1, const QString &mensagem2) override;
    void falha(const QString &mensagem1, const QString &mensagem2) override;
    void erro(const QString &texto) override;
    void mensagem(const QString &texto) override;

    void CriaJanelas();
    void mantemDona();
    // The origin folder text goes to the engine before each step that reads it.
    void sincronizaOrigem();
    void mostraDeclaracoes();
    void mostraComprovantes();
    // While an exchange runs: its stage in the progress area, then the
    // window's pending events (paint, timers, the Cancelar click).
    bool acompanha(const orva::cliente::Andamento &andamento);
    void mostraParado();
    void habilitaComandos(bool habilitados);
    void fechaSePedido();
    // A click or a key on the list of declarations at `linha`.
    void leDeclaracao(int linha);

    // A wait cursor while the engine talks to the server or the archiver;
    // lifted while a dialog waits for the user.
    class Ocupado;
    class Livre;
    int m_ocupado = 0;
    // The commands other than Cancelar are unavailable while an exchange runs.
    class Transmissao;
    bool m_trocando = false;
    bool m_cancelar = false;
    bool m_fecharAoTerminar = false; // the window was closed during the exchange
    bool m_encerraAoFechar = false; // closing this window ends the program
    orva::cliente::EstimativaEnvio m_estimativa; // time left of the sending stage
    int m_linhaLida = -1;            // the declaration of the list last read

    std::unique_ptr<QWindow> m_dona; // the opener's window, when known
    std::unique_ptr<Ui::frm_main> ui;
    orva::cliente::Cliente m_cliente;
    QString m_arquivoIni;
    std::unique_ptr<Tfrm_atencao> m_atencao;
    std::unique_ptr<Tfrm_recibo> m_recibo;
    Tfrm_selecione *m_selecione = nullptr; // owned as a child window
    TFrmDownload *m_download = nullptr;    // owned as a child window
    bool m_mostrada = false;
    // The error report's registration and exercise while a receipt is
    // fetched; otherwise those of the declaration key.
    std::optional<std::pair<QString, QString>> m_chaveBusca;
};
