#include "diagnostico.h"

#include <QFile>

#include <map>

namespace orva::importacao {
namespace {

constexpr qsizetype kTamanhoRegistro = 116;
constexpr qint64 kAmostra = 4 << 20;

bool binario(unsigned char c) { return c == 0 || (c < 0x20 && c != '\r' && c != '\n' && c != '\t'); }

// The lengths of the lines as the import reads them: up to LF, less one CR.
struct Linhas {
    std::map<qsizetype, int> porTamanho;
    std::map<qsizetype, bool> soBrancosAlem; // every line of that length has only blanks past 116
    int total = 0;
};

Linhas mede(const QByteArray &dados, bool completo)
{
    Linhas l;
    qsizetype inicio = 0;
    while (inicio < dados.size()) {
        qsizetype fim = dados.indexOf('\n', inicio);
        if (fim < 0) {
            if (!completo)
                break; // a line cut by the end of the sample
            fim = dados.size();
        }
        qsizetype tamanho = fim - inicio;
        if (tamanho > 0 && dados.at(fim - 1) == '\r')
            --tamanho;
        bool brancos = tamanho > kTamanhoRegistro;
        for (qsizetype i = inicio + kTamanhoRegistro; brancos && i < inicio + tamanho; ++i)
            brancos = dados.at(i) == ' ';
        auto [it, novo] = l.soBrancosAlem.try_emplace(tamanho, brancos);
        if (!novo)
            it->second = it->second && brancos;
        ++l.porTamanho[tamanho];
        ++l.total;
        inicio = fim + 1;
    }
    return l;
}

} // namespace

QStringList diagnosticaConteudo(const QByteArray &dados, bool completo)
{
    if (dados.isEmpty())
        return {QStringLiteral("O arquivo está vazio: não há nenhum registro de nota fiscal para validar.")};
    QStringList frases;
    if (dados.startsWith("\xEF\xBB\xBF"))
        frases << QStringLiteral("O arquivo começa com a marca de ordem de bytes (BOM) do UTF-8, que alguns editores "
                                 "gravam: por isso o primeiro registro tem 3 caracteres a mais. Grave o arquivo sem essa "
                                 "marca, como texto ANSI (Windows-1252).");
    else if (dados.startsWith("\xFF\xFE") || dados.startsWith("\xFE\xFF"))
        frases << QStringLiteral("O arquivo está gravado em UTF-16 (dois bytes por caractere): nenhum registro tem o "
                                 "tamanho certo. Grave-o como texto ANSI (Windows-1252), um byte por caractere.");

    qsizetype lf = 0, crSozinho = 0, estranhos = 0;
    for (qsizetype i = 0; i < dados.size(); ++i) {
        const auto c = static_cast<unsigned char>(dados.at(i));
        if (c == '\n')
            ++lf;
        else if (c == '\r' && (i + 1 >= dados.size() || dados.at(i + 1) != '\n'))
            ++crSozinho;
        else if (binario(c))
            ++estranhos;
    }
    const bool utf16 = frases.size() == 1 && !dados.startsWith("\xEF\xBB\xBF");
    if (estranhos > 0 && !utf16)
        frases << QStringLiteral("O arquivo contém bytes que não são de texto (por exemplo o byte nulo): ele não parece "
                                 "um arquivo de notas fiscais. Confira se foi escolhido o arquivo certo.");
    if (lf == 0 && crSozinho > 0) {
        frases << QStringLiteral("As linhas do arquivo terminam só com CR, sem LF: o arquivo inteiro é lido como um único "
                                 "registro. Grave-o com o fim de linha do Windows (CR LF).");
        return frases;
    }

    const Linhas linhas = mede(dados, completo);
    if (linhas.total == 0)
        return frases;
    const auto maisComum = std::max_element(linhas.porTamanho.begin(), linhas.porTamanho.end(),
                                            [](const auto &a, const auto &b) { return a.second < b.second; });
    const qsizetype tamanho = maisComum->first;
    const int quantas = maisComum->second;
    // Nearly every line: one odd line (a last line, a header) does not hide the pattern.
    if (tamanho != kTamanhoRegistro && quantas * 10 >= linhas.total * 9 && (linhas.total > 1 || frases.isEmpty())) {
        const QString quais = quantas == linhas.total ? QStringLiteral("Todas as linhas") : QStringLiteral("Quase todas as linhas");
        if (linhas.soBrancosAlem.at(tamanho))
            frases << QStringLiteral("%1 têm %2 caracteres em vez de 116, com brancos no fim: o programa que gerou o "
                                     "arquivo acrescentou espaços às linhas. Retire os brancos do fim de cada linha.")
                          .arg(quais)
                          .arg(tamanho);
        else
            frases << QStringLiteral("%1 têm %2 caracteres em vez de 116: o arquivo parece seguir outro leiaute. Confira "
                                     "o leiaute do registro de notas fiscais (116 caracteres por linha).")
                          .arg(quais)
                          .arg(tamanho);
    }
    return frases;
}

QStringList diagnosticaArquivo(const QString &arquivo)
{
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray dados = f.read(kAmostra);
    return diagnosticaConteudo(dados, f.atEnd());
}

} // namespace orva::importacao
