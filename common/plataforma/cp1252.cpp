#include "cp1252.h"

#include "common/errors.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <array>
#else
#include <QSysInfo>

#include <iconv.h>

#include <cerrno>
#endif

namespace orva::plataforma::cp1252 {
namespace {

// The bytes Windows-1252 leaves undefined; Windows maps them to U+0081 etc.
bool indefinido(unsigned valor)
{
    return valor == 0x81 || valor == 0x8D || valor == 0x8F || valor == 0x90 || valor == 0x9D;
}

} // namespace

#ifdef _WIN32

namespace {

constexpr UINT kPagina = 1252;
// The conversion calls count in ints.
constexpr qsizetype kBloco = qsizetype(1) << 20;

void decodificaBloco(const char *bytes, int tamanho, char16_t *destino)
{
    const int feitos = ::MultiByteToWideChar(kPagina, 0, bytes, tamanho, reinterpret_cast<wchar_t *>(destino), tamanho);
    if (feitos != tamanho)
        throw Error(QStringLiteral("Conversão de texto CP1252 indisponível neste sistema."));
    for (int i = 0; i < tamanho; ++i)
        if (indefinido(static_cast<unsigned char>(bytes[i])))
            destino[i] = static_cast<unsigned char>(bytes[i]);
}

// What each byte reads as: a character is encoded only when its byte reads
// back as the same character, so no "best fit" substitute slips through.
const std::array<char16_t, 256> &leituras()
{
    static const std::array<char16_t, 256> tabela = [] {
        std::array<char, 256> bytes;
        for (int b = 0; b < 256; ++b)
            bytes[b] = static_cast<char>(b);
        std::array<char16_t, 256> t;
        decodificaBloco(bytes.data(), 256, t.data());
        return t;
    }();
    return tabela;
}

// One character, or false when the code page cannot carry it.
bool codificaUm(char16_t c, char &byte)
{
    if (QChar::isSurrogate(c))
        return false;
    if (indefinido(c)) {
        byte = static_cast<char>(c);
        return true;
    }
    BOOL substituiu = FALSE;
    const wchar_t w = c;
    return ::WideCharToMultiByte(kPagina, WC_NO_BEST_FIT_CHARS, &w, 1, &byte, 1, nullptr, &substituiu) == 1
           && !substituiu && leituras()[static_cast<unsigned char>(byte)] == c;
}

// A whole block in one call; false when any character needs a closer look.
bool codificaBloco(const char16_t *texto, int tamanho, char *destino)
{
    BOOL substituiu = FALSE;
    if (::WideCharToMultiByte(kPagina, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t *>(texto), tamanho,
                              destino, tamanho, nullptr, &substituiu)
            != tamanho
        || substituiu)
        return false;
    const auto &tabela = leituras();
    for (int i = 0; i < tamanho; ++i)
        if (tabela[static_cast<unsigned char>(destino[i])] != texto[i])
            return false;
    return true;
}

} // namespace

QString decodifica(QByteArrayView bytes)
{
    QString texto(bytes.size(), Qt::Uninitialized);
    for (qsizetype feito = 0; feito < bytes.size(); feito += kBloco) {
        const int n = int(std::min(kBloco, bytes.size() - feito));
        decodificaBloco(bytes.data() + feito, n, reinterpret_cast<char16_t *>(texto.data()) + feito);
    }
    return texto;
}

QByteArray codifica(QStringView texto, qsizetype &parada)
{
    QByteArray bytes(texto.size(), Qt::Uninitialized);
    const char16_t *origem = texto.utf16();
    for (qsizetype feito = 0; feito < texto.size(); feito += kBloco) {
        const int n = int(std::min(kBloco, texto.size() - feito));
        if (codificaBloco(origem + feito, n, bytes.data() + feito))
            continue;
        // Character by character: the undefined five, and where it stops.
        for (qsizetype i = feito; i < feito + n; ++i) {
            if (!codificaUm(origem[i], bytes[i])) {
                parada = i;
                bytes.truncate(i);
                return bytes;
            }
        }
    }
    parada = texto.size();
    return bytes;
}

#else

namespace {

class Conversor {
public:
    Conversor(const char *para, const char *de) : m_cd(iconv_open(para, de))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw Error(QStringLiteral("Conversão de texto %1 para %2 indisponível neste sistema.")
                            .arg(QLatin1String(de), QLatin1String(para)));
    }
    ~Conversor() { iconv_close(m_cd); }
    Conversor(const Conversor &) = delete;
    Conversor &operator=(const Conversor &) = delete;

    // Converts as much as it can; returns false and leaves `in` at the
    // character that could not be converted.
    bool converte(const char *&in, size_t &inLeft, QByteArray &out)
    {
        char buffer[4096];
        while (inLeft > 0) {
            char *outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t rc = iconv(m_cd, const_cast<char **>(&in), &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
            if (rc != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
            return false;
        }
        return true;
    }

private:
    iconv_t m_cd;
};

// QString's own units, in the machine's byte order.
const char *utf16()
{
    return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
}

} // namespace

QString decodifica(QByteArrayView bytes)
{
    Conversor cv(utf16(), "CP1252");
    QByteArray saida;
    saida.reserve(bytes.size() * 2);
    const char *in = bytes.data();
    size_t resta = static_cast<size_t>(bytes.size());
    while (!cv.converte(in, resta, saida)) {
        // Only the undefined bytes stop the conversion of a single-byte set.
        const char16_t c = static_cast<unsigned char>(*in);
        saida.append(reinterpret_cast<const char *>(&c), sizeof c);
        ++in;
        --resta;
    }
    return QString(reinterpret_cast<const QChar *>(saida.constData()), saida.size() / 2);
}

QByteArray codifica(QStringView texto, qsizetype &parada)
{
    Conversor cv("CP1252", utf16());
    QByteArray saida;
    saida.reserve(texto.size());
    const char *inicio = reinterpret_cast<const char *>(texto.utf16());
    const char *in = inicio;
    size_t resta = static_cast<size_t>(texto.size()) * 2;
    while (!cv.converte(in, resta, saida)) {
        const qsizetype i = (in - inicio) / 2;
        if (!indefinido(texto.at(i).unicode())) {
            parada = i;
            return saida;
        }
        saida.append(static_cast<char>(texto.at(i).unicode()));
        in += 2;
        resta -= 2;
    }
    parada = texto.size();
    return saida;
}

#endif

} // namespace orva::plataforma::cp1252
