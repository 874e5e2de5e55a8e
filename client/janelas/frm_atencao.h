#pragma once
#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class frm_atencao;
}
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The notice dialog: every server answer and every connection problem is
// shown in one, in a success variant (MostraAviso) and a failure variant
// with a printable error report (MostraFalha). Each use creates a fresh one.
class Tfrm_atencao : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_atencao(QWidget *parent = nullptr);
    ~Tfrm_atencao() override;

    QLabel *Label1() const;
    QLabel *Label2() const;
    QPlainTextEdit *m1() const;
    QPushButton *bt_ok() const;
    QPushButton *bt_print() const;
    QPushButton *bt_cancelar() const;

    // The notice that asks whether to go on: a "Cancelar" button beside the
    // default one, and Esc or the close button mean Cancelar (rejected).
    void pedeConfirmacao();

    // What "Imprimir" shows in the print preview (the error report).
    void defineImpressao(std::function<void()> imprime) { m_imprime = std::move(imprime); }
    // The memo's lines, in order.
    void defineLinhas(const QStringList &linhas);
    QStringList linhas() const;

    // Empties the memo and both headlines.
    void Limpa();

public slots:
    void bt_okClick();
    void bt_printClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::frm_atencao> ui;
    std::function<void()> m_imprime;
};
