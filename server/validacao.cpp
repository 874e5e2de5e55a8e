#include "validacao.h"

#include "archiver/zip_names.h"

#include <QFile>
#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace orva::servidor {
namespace {

// Longer lines than any record can be are not kept whole.
constexpr qsizetype LinhaMaxima = 8192;
// A real declaration packs at most some tens to one.
constexpr qint64 RazaoMaxima = 200;

using Soma = __int128;

QString numero(Soma n)
{
    // Sums of up to ~10^24 hundredths: printed digit by digit.
    if (n == 0)
        return QStringLiteral("0");
    const bool negativo = n < 0;
    if (negativo)
        n = -n;
    QString s;
    while (n > 0) {
        s.prepend(QChar(u'0' + static_cast<int>(n % 10)));
        n /= 10;
    }
    return negativo ? QLatin1Char('-') + s : s;
}

bool digitos(const QByteArray &campo)
{
    if (campo.isEmpty())
        return false;
    for (const char c : campo)
        if (c < '0' || c > '9')
            return false;
    return true;
}

class Verificador {
public:
    explicit Verificador(int maxProblemas) : m_max(maxProblemas) {}

    void problema(const QString &texto)
    {
        if (m_d.problemas.size() < m_max)
            m_d.problemas << texto;
        else
            ++m_omitidos;
    }

    void linha(const QByteArray &l, bool cortada)
    {
        const qint64 n = ++m_d.registros;
        const QByteArray tipo = l.left(2);
        if (cortada) {
            problema(QStringLiteral("Linha %1: registro longo demais.").arg(n));
            return;
        }
        if (n == 1) {
            if (tipo != "10")
                problema(QStringLiteral("Linha 1: o primeiro registro deve ser o registro 10 (empresa)."));
            else if (l.size() < 117)
                problema(QStringLiteral("Linha 1: registro 10 com %1 caracteres; são pelo menos 117.").arg(l.size()));
            m_inscricao10 = l.mid(2, 14);
            return;
        }
        if (n == 2) {
            if (tipo != "20") {
                problema(QStringLiteral("Linha 2: o segundo registro deve ser o registro 20 (protocolo)."));
                return;
            }
            if (l.size() < 257) {
                problema(QStringLiteral("Linha 2: registro 20 com %1 caracteres; são pelo menos 257.").arg(l.size()));
                return;
            }
            m_d.registro20 = l;
            m_tipo = l.mid(6, 2);
            if (m_tipo != "00" && m_tipo != "01")
                problema(QStringLiteral("Linha 2: tipo de protocolo \"%1\" inválido.").arg(QString::fromLatin1(m_tipo)));
            if (!digitos(l.mid(2, 4)) || !digitos(l.mid(10, 4)) || !digitos(l.mid(14, 14)))
                problema(QStringLiteral("Linha 2: protocolo, exercício e inscrição devem ter apenas dígitos."));
            if (m_inscricao10 != l.mid(14, 14))
                problema(QStringLiteral("Linha 2: a inscrição do protocolo difere da inscrição da empresa."));
            return;
        }
        if (m_d.registro20.isEmpty())
            return; // without the protocol record the details cannot be judged
        const bool notas = m_tipo == "00";
        const QByteArray esperado = notas ? "30" : "40";
        const qsizetype largura = notas ? 129 : 61;
        if (tipo != esperado) {
            problema(QStringLiteral("Linha %1: registro \"%2\" inesperado; o protocolo leva registros %3.")
                         .arg(n)
                         .arg(QString::fromLatin1(tipo), QString::fromLatin1(esperado)));
            return;
        }
        if (l.size() != largura) {
            problema(QStringLiteral("Linha %1: registro %2 com %3 caracteres; são %4.")
                         .arg(n)
                         .arg(QString::fromLatin1(tipo))
                         .arg(l.size())
                         .arg(largura));
            return;
        }
        ++m_detalhes;
        if (notas) {
            somaValor(l.mid(48, 15), m_soma1, n);
        } else {
            somaValor(l.mid(26, 15), m_soma3, n);
            somaValor(l.mid(41, 15), m_soma4, n);
        }
    }

    qint64 registros() const { return m_d.registros; }

    // The detail records the protocol record announces (its count total
    // over 100); -1 when it has none that can be read.
    qint64 detalhesDeclarados() const
    {
        const QByteArray &r = m_d.registro20;
        if (r.isEmpty())
            return -1;
        const int campo = m_tipo == "00" ? 1 : m_tipo == "01" ? 4 : -1;
        const QByteArray total = r.mid(r.size() - 6 - 5 * 15 + campo * 15, 15);
        if (campo < 0 || !digitos(total))
            return -1;
        return total.toLongLong() / 100;
    }
    qsizetype larguraDetalhe() const { return m_tipo == "00" ? 129 : 61; }

    Declaracao conclui()
    {
        if (m_d.registros == 0)
            problema(QStringLiteral("O arquivo da declaração está vazio."));
        if (m_d.registros > MaximoRegistros)
            problema(QStringLiteral("A declaração tem %1 registros; o comprovante registra no máximo %2 por "
                                    "declaração. Divida as notas em mais de um protocolo e entregue cada um.")
                         .arg(m_d.registros)
                         .arg(MaximoRegistros));
        else if (m_d.registros == 1)
            problema(QStringLiteral("Falta o registro 20 (protocolo)."));
        if (!m_d.registro20.isEmpty()) {
            if (m_detalhes == 0)
                problema(QStringLiteral("A declaração não tem registros de notas fiscais nem de rateio."));
            confereTotais();
        }
        if (m_omitidos > 0)
            m_d.problemas << QStringLiteral("... e mais %1 problema(s).").arg(m_omitidos);
        return m_d;
    }

private:
    void somaValor(const QByteArray &campo, Soma &soma, qint64 linha)
    {
        if (!digitos(campo)) {
            problema(QStringLiteral("Linha %1: valor \"%2\" inválido.").arg(linha).arg(QString::fromLatin1(campo)));
            return;
        }
        soma += campo.toLongLong();
    }

    // The five totals end the protocol record, before its 6-digit
    // municipality; a long company name may have pushed them right.
    void confereTotais()
    {
        const QByteArray &r = m_d.registro20;
        const qsizetype inicio = r.size() - 6 - 5 * 15;
        Soma total[5];
        for (int i = 0; i < 5; ++i) {
            const QByteArray campo = r.mid(inicio + i * 15, 15);
            if (!digitos(campo)) {
                problema(QStringLiteral("Total %1 do protocolo \"%2\" inválido.").arg(i + 1).arg(QString::fromLatin1(campo)));
                return;
            }
            total[i] = campo.toLongLong();
        }
        const bool notas = m_tipo == "00";
        const Soma contagem = static_cast<Soma>(m_detalhes) * 100;
        // An amount total is the sum of the amounts rounded once; each row was
        // rounded on its own, so they may differ by half a hundredth a row.
        const Soma tolerancia = (static_cast<Soma>(m_detalhes) + 1) / 2;
        const auto valor = [&](int i, Soma soma, const QString &nome) {
            const Soma diferenca = total[i] > soma ? total[i] - soma : soma - total[i];
            if (diferenca > tolerancia)
                problema(QStringLiteral("Total %1 (%2) de %3 centavos difere da soma dos registros, %4 centavos.")
                             .arg(i + 1)
                             .arg(nome, numero(total[i]), numero(soma)));
        };
        const auto igual = [&](int i, Soma esperado, const QString &nome) {
            if (total[i] != esperado)
                problema(QStringLiteral("Total %1 (%2) é %3; o esperado é %4.")
                             .arg(i + 1)
                             .arg(nome, numero(total[i]), numero(esperado)));
        };
        if (notas) {
            valor(0, m_soma1, QStringLiteral("valor das notas"));
            igual(1, contagem, QStringLiteral("quantidade de notas x 100"));
            igual(2, 0, QStringLiteral("valor de entrada"));
            igual(3, 0, QStringLiteral("valor de saída"));
            igual(4, 0, QStringLiteral("quantidade de municípios x 100"));
        } else if (m_tipo == "01") {
            igual(0, 0, QStringLiteral("valor das notas"));
            igual(1, 0, QStringLiteral("quantidade de notas x 100"));
            valor(2, m_soma3, QStringLiteral("valor de entrada"));
            valor(3, m_soma4, QStringLiteral("valor de saída"));
            igual(4, contagem, QStringLiteral("quantidade de municípios x 100"));
        }
    }

    int m_max;
    int m_omitidos = 0;
    Declaracao m_d;
    QByteArray m_inscricao10, m_tipo;
    qint64 m_detalhes = 0;
    Soma m_soma1 = 0, m_soma3 = 0, m_soma4 = 0;
};

struct FechaArquivo {
    void operator()(struct archive *a) const { archive_read_free(a); }
};

} // namespace

Declaracao validaArquivo(const QString &caminho, int maxProblemas)
{
    Verificador v(maxProblemas);
    std::unique_ptr<struct archive, FechaArquivo> a(archive_read_new());
    // ZIP only, what the archiver writes, with each entry's CRC checked; no
    // filter, so no outside program is ever started for one.
    archive_read_support_format_zip(a.get());
    if (archive_read_open_filename(a.get(), QFile::encodeName(caminho).constData(), 1 << 16) != ARCHIVE_OK) {
        Declaracao d;
        d.problemas << QStringLiteral("O arquivo recebido não é um arquivo compactado válido: %1")
                           .arg(QString::fromLocal8Bit(archive_error_string(a.get())));
        return d;
    }
    // The declaration is found by its name: a name damaged in one of its
    // two copies makes the archive a damaged one.
    QString porque;
    if (!rar::zipNamesAgree(caminho, &porque)) {
        Declaracao d;
        d.problemas << QStringLiteral("O arquivo compactado está danificado: %1").arg(porque);
        return d;
    }
    struct archive_entry *entrada = nullptr;
    for (;;) {
        const int r = archive_read_next_header(a.get(), &entrada);
        if (r == ARCHIVE_EOF)
            break;
        if (r < ARCHIVE_WARN) {
            v.problema(QStringLiteral("O arquivo compactado está danificado: %1")
                           .arg(QString::fromLocal8Bit(archive_error_string(a.get()))));
            return v.conclui();
        }
        const char *nome = archive_entry_pathname(entrada);
        if (archive_entry_filetype(entrada) != AE_IFREG || !nome
            || !QByteArray(nome).toLower().endsWith(".exp"))
            continue;
        // Decompression stops at a bound the declaration itself sets: the
        // size its entry declares, two header lines, then the detail records
        // the protocol record announces. A bomb is refused after its first
        // blocks instead of being inflated whole.
        const qint64 declarado = archive_entry_size_is_set(entrada) ? archive_entry_size(entrada) : -1;
        qint64 consumido = 0;
        const qint64 razaoMaxima = std::max<qint64>(qint64(64) << 20, RazaoMaxima * QFileInfo(caminho).size());
        qint64 limite = 2 * (LinhaMaxima + 2);
        const auto marcaCabecalho = [&](qint64 fim) {
            const qint64 detalhes = v.detalhesDeclarados();
            limite = fim + LinhaMaxima + (detalhes < 0 ? 0 : detalhes * (v.larguraDetalhe() + 2));
        };
        QByteArray linha;
        bool cortada = false;
        char bloco[1 << 16];
        for (;;) {
            const la_ssize_t n = archive_read_data(a.get(), bloco, sizeof bloco);
            if (n < 0) {
                v.problema(QStringLiteral("O arquivo da declaração não pôde ser extraído: %1")
                               .arg(QString::fromLocal8Bit(archive_error_string(a.get()))));
                return v.conclui();
            }
            if (n == 0)
                break;
            const char *p = bloco, *fim = bloco + n;
            while (p < fim) {
                const char *lf = static_cast<const char *>(memchr(p, '\n', static_cast<size_t>(fim - p)));
                const char *ate = lf ? lf : fim;
                const qsizetype cabe = std::min<qsizetype>(ate - p, LinhaMaxima - linha.size());
                linha.append(p, cabe);
                cortada = cortada || cabe < ate - p;
                if (!lf)
                    break;
                if (linha.endsWith('\r'))
                    linha.chop(1);
                v.linha(linha, cortada);
                if (v.registros() == 2)
                    marcaCabecalho(consumido + (lf + 1 - bloco));
                linha.clear();
                cortada = false;
                p = lf + 1;
            }
            consumido += n;
            // A record beyond any record's length: nothing after it can be
            // judged, and a bomb of one endless line ends here.
            if (cortada) {
                v.linha(linha, true);
                return v.conclui();
            }
            if (consumido > razaoMaxima) {
                v.problema(QStringLiteral("O arquivo compactado foi recusado: a declaração passa de %1 vezes o "
                                          "tamanho do arquivo.").arg(RazaoMaxima));
                return v.conclui();
            }
            if (declarado >= 0 && consumido > declarado) {
                v.problema(QStringLiteral("O arquivo compactado está danificado: a declaração tem mais dados que os "
                                          "%1 bytes declarados.").arg(declarado));
                return v.conclui();
            }
            if (consumido > limite) {
                v.problema(v.registros() < 2
                               ? QStringLiteral("O início da declaração não tem os registros 10 e 20.")
                               : QStringLiteral("A declaração tem mais dados que os registros anunciados no "
                                                "registro 20."));
                return v.conclui();
            }
        }
        if (!linha.isEmpty()) {
            if (linha.endsWith('\r'))
                linha.chop(1);
            v.linha(linha, cortada);
        }
        return v.conclui();
    }
    Declaracao d;
    d.problemas << QStringLiteral("O arquivo compactado não contém o arquivo da declaração (.exp).");
    return d;
}

QByteArray registroComprovante(const Declaracao &d, const QByteArray &dataRecebimento, quint64 controle)
{
    const QByteArray &r = d.registro20;
    QByteArray razao = r.mid(62, 50).leftJustified(50, ' ', true);
    for (char &c : razao) {
        if (c == '\'')
            c = '\xB4';
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    const QByteArray entrega = r.mid(8, 2);
    const QByteArray flag = entrega == "02" ? "2" : "1";
    return r.mid(14, 14) + r.mid(10, 4) + r.mid(2, 4) + r.mid(6, 2) + flag
           + dataRecebimento.leftJustified(10, ' ', true) + razao
           + QByteArray::number(std::min(d.registros, MaximoRegistros)).rightJustified(6, '0')
           + QByteArray::number(controle % 10000000000000ULL).rightJustified(13, '0');
}

} // namespace orva::servidor
