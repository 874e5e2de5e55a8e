#pragma once
#include "core/stores/tabelas.h"

#include <QDialog>

#include <memory>

namespace Ui {
class frmTabela;
}
class QLineEdit;
class QPushButton;

// The code-table window: inserts, updates, finds and deletes the
// rows of any table made of a code column and a description column. The
// opener names the table and columns and sets the lengths and the code type
// before showing it.
class TfrmTabela : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTabela(QWidget *parent = nullptr);
    ~TfrmTabela() override;

    // Table T, code column C, description column D.
    void DefineTabela(const QString &tabela, const QString &campoCodigo, const QString &campoDescricao);
    // Maximum length of the code field (4 when not set); also the width the
    // saved code is zero-padded to.
    void DefineTamanhoCodigo(int tamanho);
    // Maximum length of the description field (50 when not set).
    void DefineTamanhoDescricao(int tamanho);
    // 2 = text code (quoted in statements); any other value = numeric code.
    void DefineTipoCodigo(int tipo);

    const QString &strTabela() const { return m_strTabela; }
    const QString &cmpCodigo() const { return m_cmpCodigo; }
    const QString &cmpDescri() const { return m_cmpDescri; }
    int TipoCodigo() const { return m_tipoCodigo; }

    // The main window's Produtos1Click: the product table, codes of up to 5
    // digits, descriptions of up to 50 characters, numeric code.
    static void AbreProdutos(QWidget *parent = nullptr);

    // The table as the opener defined it, on the shared connection.
    orva::stores::Tabelas &Tabela();

    // Controls.
    QPushButton *btnNovo() const;
    QPushButton *btnSalvar() const;
    QPushButton *btnFechar() const;
    QPushButton *btnConsulta() const;
    QPushButton *btnApagar() const;
    QLineEdit *edtCodigo() const;
    QLineEdit *edtDescricao() const;

public slots:
    void FormShow();

    void btnNovoClick();
    void btnSalvarClick();
    void btnFecharClick();
    void btnConsultaClick();
    void btnApagarClick();

    void edtCodigoExit();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::frmTabela> ui;
    std::unique_ptr<orva::stores::Tabelas> m_tabela;
    QString m_strTabela;
    QString m_cmpCodigo;
    QString m_cmpDescri;
    int m_tipoCodigo = 0;
    bool m_shown = false;
};
