#pragma once
#include "validacao.h"

#include <QHash>
#include <QStringList>

// The errors of a validation report kept by file line, so that a line of the
// report can be shown again with the faulty fields marked under it.
namespace orva::importacao {

class MarcasRelatorio {
public:
    // Lines kept; a report of more faulty lines keeps the first ones.
    static constexpr int Maximo = 20000;

    void limpa()
    {
        m_linhas.clear();
        m_ordem.clear();
    }
    void registra(const ErroRegistro &erro);

    // The file line whose block holds report line `indice` (from 0), or 0.
    static int linhaDoBloco(const QStringList &relatorio, int indice);
    // As linhaDoBloco, and for a block of the import pass, whose header names
    // no line, the line registered in the block's place among the blocks.
    int linhaDe(const QStringList &relatorio, int indice) const;

    // The record with a row of "^" under each faulty field and the messages
    // below, in a fixed-width font's terms; empty when the line is not kept.
    QString mostra(int linhaDoArquivo) const;

private:
    struct Linha {
        QString texto;
        QList<ErroRegistro> erros;
    };
    QHash<int, Linha> m_linhas;
    QList<int> m_ordem; // the lines kept, in the order of their blocks
};

} // namespace orva::importacao
