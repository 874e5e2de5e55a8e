#pragma once
// A large invoice declaration for the delivery benchmarks.
#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

#include <cstdlib>

namespace bench {

inline QByteArray z(quint64 v, int n) { return QByteArray::number(v).rightJustified(n, '0'); }

// An invoice declaration whose digits vary, so it packs about 2.5 to 1.
inline void escreveDeclaracao(const QString &caminho, int linhas)
{
    QFile f(caminho);
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    QRandomGenerator gerador(2015);
    const QByteArray inscricao = "00000000000001";
    f.write("10" + inscricao + QByteArray("EMPRESA DE TESTE").leftJustified(70, ' ') + "12345678000195" "4711302" "0000"
            "110001\r\n");
    QByteArray detalhes;
    quint64 soma = 0;
    QByteArray bloco;
    // The totals come first in the file but are known only at the end: the
    // rows are written after a placeholder protocol record, rewritten later.
    const qint64 inicio20 = f.pos();
    f.write(QByteArray(259, ' '));
    for (int i = 0; i < linhas; ++i) {
        const quint64 centavos = gerador.bounded(100000000);
        soma += centavos;
        bloco += "30" + inscricao + "2015" + z(110001 + gerador.bounded(180), 6) + z(gerador.bounded(1u << 30), 10)
                 + "10/02/2015" "NE" + z(centavos, 15) + "01" + z(gerador.bounded(1u << 30), 10) + "01/03/2015" "01"
                 + z(gerador.generate64() % 100000000000000ULL, 14) + "NP" + z(gerador.bounded(100000000), 15) + "110063"
                 + "0007" "I\r\n";
        if (bloco.size() > (1 << 20)) {
            f.write(bloco);
            bloco.clear();
        }
    }
    f.write(bloco);
    f.seek(inicio20);
    f.write("20" "0007" "00" "01" "2015" + inscricao + "05/03/2015" "08/12/2026" "12345678000195"
            + QByteArray("EMPRESA DE TESTE").leftJustified(50, ' ') + QByteArray(14, '0')
            + QByteArray("JOSE").leftJustified(50, ' ') + z(soma, 15) + z(quint64(linhas) * 100, 15)
            + QByteArray(45, '0') + "110001\r\n");
}

} // namespace bench
