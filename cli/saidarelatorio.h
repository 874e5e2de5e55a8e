#pragma once
#include "core/import/validacao.h"

#include <QTextStream>

// The report of validate and import on stdout, in the form asked for with
// --formato: "texto" (the report as the window shows it), "csv" (one row per
// error) or "json" (one object: errors, whole-file diagnosis and summary;
// with orva-cli --json it also carries the answer's keys).
namespace orva::cli {

class SaidaRelatorio {
public:
    enum class Formato { Texto, Csv, Json };

    // Nothing when the name is none of the three.
    static std::optional<Formato> formato(const QString &nome);

    explicit SaidaRelatorio(Formato formato);

    // Hooks the report of a pass into the output.
    void acompanha(orva::importacao::Acompanhamento &a);
    // Closes the output: the summary of the pass that ran last.
    void termina(const QString &etapa, const orva::importacao::Resultado &r, const QStringList &diagnostico);

private:
    Formato m_formato;
    QTextStream m_out;
    bool m_primeiro = true;
};

} // namespace orva::cli
