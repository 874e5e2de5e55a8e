// Time for the search window to show the first screen of a 100,000-row table,
// against the baseline of reading every row into the grid before showing it.
#include "apoio.h"
#include "common/prompts.h"
#include "ui/shared/frmconsulta.h"
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"
#include "ui/shell/querymodel.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int kRows = 100000;

// Answers nothing: the window is shown and painted once, then closed.
class PaintOnce : public orva::DialogPrompts {
public:
    void information(const QString &) override {}
    void error(const QString &text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    int execModal(QDialog &dialog) override
    {
        dialog.show();
        QApplication::processEvents();
        dialog.hide();
        return 0;
    }
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "pt_BR.UTF-8");
    QApplication app(argc, argv);
    bench::ProgramaTemporario programa;
    TdtmDados &dados = programa.dados;
    orva::db::Command fill(dados.ADOConnection);
    fill.setCommandText(QStringLiteral(
        "Create Table Grande (Codigo TEXT COLLATE NOCASE, Descricao TEXT COLLATE NOCASE, Valor REAL, Data DATE)"));
    fill.execute();
    fill.setCommandText(QStringLiteral(
        "With Recursive n(i) As (Select 1 Union All Select i + 1 From n Where i < %1) "
        "Insert into Grande Select printf('%06d', i), 'MUNICIPIO DE SÃO ' || i, i * 1.25, '2015-03-05' From n")
                            .arg(kRows));
    fill.execute();

    PaintOnce prompts;
    orva::setPrompts(&prompts);
    TfrmConsulta consulta;
    frmConsulta = &consulta;

    std::vector<double> window, baseline;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer t;
        t.start();
        consulta.DefineTabela(QStringLiteral("Grande"));
        consulta.DefineAutoConsulta(1);
        consulta.Executa();
        window.push_back(t.nsecsElapsed() / 1e6);

        // Baseline: every row read into the grid's model before the window shows.
        t.restart();
        orva::db::Query q(dados.ADOConnection);
        q.setSql(QStringLiteral("Select * From Grande"));
        q.open();
        QStandardItemModel model(0, q.fieldCount());
        for (; !q.eof(); q.next()) {
            QList<QStandardItem *> row;
            for (int c = 0; c < q.fieldCount(); ++c)
                row << new QStandardItem(q.field(c).asString());
            model.appendRow(row);
        }
        QDialog shown;
        QTableView grid(&shown);
        grid.setModel(&model);
        prompts.execModal(shown);
        baseline.push_back(t.nsecsElapsed() / 1e6);
    }
    const double w = median(window), b = median(baseline);
    std::printf("search window, first screen of %d rows: %.1f ms (median of 5)\n", kRows, w);
    std::printf("baseline, all rows read before showing: %.1f ms (median of 5)\n", b);
    std::printf("ratio baseline / window: %.1fx\n", b / w);
    frmConsulta = nullptr;
    orva::setPrompts(nullptr);
    return 0;
}
