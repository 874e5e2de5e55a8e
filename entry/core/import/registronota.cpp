#include "registronota.h"

#include "common/errors.h"
#include "common/win1252.h"

#include <cstring>

namespace orva::importacao {

RegistroNota::RegistroNota(QString linha, qint64 tamanho)
    : m_linha(std::move(linha)), m_tamanho(tamanho < 0 ? m_linha.size() : tamanho)
{
}

QString RegistroNota::campo(int numero) const
{
    if (numero < 1 || numero > static_cast<int>(Campos.size()))
        return QString();
    const Posicao &p = Campos[static_cast<size_t>(numero - 1)];
    return m_linha.mid(p.inicio - 1, p.largura);
}

QString RegistroNota::dataEmissao() const
{
    return campo(7) + QLatin1Char('/') + campo(8) + QLatin1Char('/') + campo(9);
}

QString RegistroNota::dataNotaOrigem() const
{
    return campo(15) + QLatin1Char('/') + campo(16) + QLatin1Char('/') + campo(17);
}

QString RegistroNota::dataNotaOrigemGravada() const
{
    const QString data = dataNotaOrigem();
    return data == QLatin1String("00/00/0000") ? QStringLiteral("01/01/1900") : data;
}

QString RegistroNota::valorNotaDecimal() const
{
    const QString v = valorNota();
    return v.left(13) + QLatin1Char(',') + v.mid(13, 2);
}

QString RegistroNota::valorNotaOrigemDecimal() const
{
    const QString v = valorNotaOrigem();
    return v.left(13) + QLatin1Char(',') + v.mid(13, 2);
}

// ---------------------------------------------------------------------------

namespace {
constexpr qsizetype kBloco = 1 << 18;
}

LeitorLinhas::LeitorLinhas(const QString &arquivo) : m_arquivo(arquivo)
{
    if (!m_arquivo.open(QIODevice::ReadOnly))
        throw orva::Error(QStringLiteral("Não foi possível ler o arquivo %1: %2").arg(arquivo, m_arquivo.errorString()));
}

bool LeitorLinhas::enche()
{
    if (m_fimArquivo)
        return false;
    m_buffer.resize(kBloco);
    const qint64 n = m_arquivo.read(m_buffer.data(), kBloco);
    if (n < 0)
        throw orva::Error(
            QStringLiteral("Erro ao ler o arquivo %1: %2").arg(m_arquivo.fileName(), m_arquivo.errorString()));
    m_buffer.resize(static_cast<qsizetype>(n));
    m_posicao = 0;
    if (n == 0) {
        m_fimArquivo = true;
        return false;
    }
    return true;
}

void LeitorLinhas::guarda(const char *dados, qsizetype n)
{
    const qsizetype cabe = std::min(n, MaximoGuardado - m_linha.size());
    if (cabe > 0)
        m_linha.append(dados, cabe);
}

bool LeitorLinhas::proxima()
{
    m_linha.clear();
    m_tamanho = 0;
    bool comecou = false; // some byte of this line (or its terminator) was read
    char ultimo = 0;
    for (;;) {
        if (m_posicao >= m_buffer.size() && !enche())
            break;
        const char *inicio = m_buffer.constData() + m_posicao;
        const qsizetype resto = m_buffer.size() - m_posicao;
        const void *lf = std::memchr(inicio, '\n', static_cast<size_t>(resto));
        const qsizetype n = lf ? static_cast<const char *>(lf) - inicio : resto;
        comecou = true;
        if (n > 0) {
            guarda(inicio, n);
            m_tamanho += n;
            ultimo = inicio[n - 1];
        }
        if (lf) {
            m_posicao += n + 1;
            break;
        }
        m_posicao += n;
    }
    if (!comecou)
        return false;
    if (ultimo == '\r') {
        --m_tamanho;
        if (m_linha.size() > m_tamanho)
            m_linha.chop(1);
    }
    return true;
}

QString LeitorLinhas::texto() const
{
    for (const char c : m_linha)
        if (static_cast<unsigned char>(c) >= 0x80)
            return orva::win1252::decode(m_linha);
    return QString::fromLatin1(m_linha); // plain ASCII reads the same in both
}

} // namespace orva::importacao
