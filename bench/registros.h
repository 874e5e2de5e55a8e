#pragma once
// Invoice record files for the import benchmarks, with the same rows as CSV.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace bench {

inline QByteArray digits(qint64 value, int width) { return QByteArray::number(value).rightJustified(width, '0'); }

// Writes `rows` valid records (producer's notes and entry notes taking turns)
// and, when asked, the same rows as CSV in the table's column order. Both
// files are streamed.
inline void generate(const QString &records, const QString &csv, int first, int rows)
{
    QFile txt(records);
    QFile out(csv);
    txt.open(QIODevice::WriteOnly | QIODevice::Truncate);
    const bool withCsv = !csv.isEmpty();
    if (withCsv)
        out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray a, b;
    for (int i = first; i < first + rows; ++i) {
        const bool ne = i % 2 == 0;
        const QByteArray municipio = digits(110001 + i % 180, 6);
        const QByteArray nf = digits(i, 10);
        const qint64 cents = 100 + i % 9000000;
        const QByteArray value = digits(cents, 15);
        const QByteArray day = digits(1 + i % 28, 2);
        const QByteArray month = digits(1 + i % 12, 2);
        a += "00000000000001" "2015" + municipio + nf + (ne ? "NE" : "NP") + "1" + day + month + "2015" + value;
        if (ne)
            a += "1" "00000087654321" "NP" + digits(i, 10) + "01" "03" "2015" + value + "110063";
        else
            a += "0" "00000000000000" "00" "0000000000" "00" "00" "0000" "000000000000000" "000000";
        a += "\r\n";
        if (withCsv) {
            // INSCRICAO, EXERCICIO, MUNICIPIO, NF, DTA_EMIT_NF, TIPO, VALOR_NF, TIPO_EMITENTE, NOTA_ORIGEM,
            // DTA_NF_ORIGEM, TIPO_EMITENTE_ORIGEM, EMITENTE_NOTA_ORIGEM, TIPO_NF_ORIGEM, VALOR_NF_ORIGEM,
            // MUNICIPIO_ORIGEM, PROTOCOLO, OPERACAO
            const QByteArray amount = QByteArray::number(cents / 100) + "." + digits(cents % 100, 2);
            b += "00000000000001,2015," + municipio + "," + nf + ",2015-" + month + "-" + day + "," + (ne ? "NE" : "NP")
                 + "," + amount + ",1,";
            if (ne)
                b += digits(i, 10) + ",2015-03-01,1,00000087654321,NP," + amount + ",110063";
            else
                b += "0000000000,1900-01-01,0,00000000000000,00,0,000000";
            b += ",1,I\n";
        }
        if (a.size() > (1 << 20)) {
            txt.write(a);
            a.clear();
            if (withCsv) {
                out.write(b);
                b.clear();
            }
        }
    }
    txt.write(a);
    if (withCsv)
        out.write(b);
}

} // namespace bench
