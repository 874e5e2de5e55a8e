#pragma once
#include "core/db/query.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class frmConsulta;
}
class QueryTableModel;
class QComboBox;
class QLineEdit;
class QTableView;

// The row the user double-clicked: its code and description columns and, for
// an invoice, its type; all empty when the window closed without a pick.
struct EscolhaConsulta {
    QString codigo;
    QString descricao;
    QString extra;
};

// The program's one pick list: lists any table or view, filters it on one
// column and hands the double-clicked row back to its caller.
// Created once at start-up and set up by each caller just before use.
class TfrmConsulta : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConsulta(QWidget *parent = nullptr);
    ~TfrmConsulta() override;

    void DefineTabela(const QString &tabela);
    void DefineAutoConsulta(int autoConsulta);
    void DefineFiltro(const QString &campo, const QString &chave);
    void DefineColunas(int codigo, int descricao);

    // Shows the window modally with the settings given and returns the row
    // picked; every setting is forgotten when it closes.
    EscolhaConsulta Executa();

    // Starts the list report for the table on the listing statement; set by
    // the reports once they exist.
    std::function<void(const QString &tabela, const QString &sql)> ImprimeRelacao;

    // The row picked so far in this opening.
    const EscolhaConsulta &escolha() const { return m_escolha; }

    // The statement of the last "Confirma" in this opening.
    const QString &SqlAtual() const { return m_sql; }

    QComboBox *cmbCampo() const;
    QComboBox *cmbOperador() const;
    QLineEdit *edtChave() const;
    QTableView *DBGrid1() const;
    QueryTableModel *modelo() const { return m_model; }

public slots:
    void FormShow();
    void FormClose();
    void btnConfirmaClick();
    void btnImprimirClick();
    void btnFecharClick();
    void DBGrid1DblClick();

private:
    std::unique_ptr<Ui::frmConsulta> ui;
    orva::db::Query &query();

    std::unique_ptr<orva::db::Query> m_query;
    QueryTableModel *m_model = nullptr;
    QString m_tabela;
    int m_autoConsulta = 0;
    QString m_filtroCampo;
    QString m_filtroChave;
    int m_colunaCodigo = 0;
    int m_colunaDescricao = 0;
    QString m_sql;
    EscolhaConsulta m_escolha;
};

// The instance created at start-up (or by a test).
extern TfrmConsulta *frmConsulta;
