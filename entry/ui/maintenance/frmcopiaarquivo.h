#pragma once
#include <QDialog>

#include <memory>

namespace Ui {
class frmCopiaArquivo;
}
class QLabel;
class QLineEdit;
class QPushButton;

// Shows the path of a generated declaration archive and lets the user pick
// another from the folder "enviar". A section for copying the archive
// elsewhere (a diskette) exists but stays hidden: nothing shows it.
class TfrmCopiaArquivo : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCopiaArquivo(QWidget *parent = nullptr);
    ~TfrmCopiaArquivo() override;

    // The main window's command: the window with an empty file field.
    static void Abre(QWidget *parent = nullptr);

    // Controls. The export presets edtArquivo before showing the window.
    QLineEdit *edtArquivo() const;
    QPushButton *btnConsArquivo() const;
    QPushButton *btnFechar() const;
    QPushButton *BitBtn2() const;
    QLineEdit *EdtDestino() const;
    QLabel *lblDestino() const;
    QPushButton *btnCopiaArquivo() const;

    // The filter of the file dialog: archives not yet sent end in ".rar",
    // archives already sent in ".ra_".
    static QString filtroArquivos();

public slots:
    void FormShow();
    void btnConsArquivoClick();
    void BitBtn2Click();
    void btnCopiaArquivoClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::frmCopiaArquivo> ui;
    // What the file dialogs remember between runs: the last file picked to
    // open and the name proposed for saving.
    QString m_arquivoAberto;
    QString m_arquivoDestino;
    bool m_shown = false;
};
