#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>

// The invoice record of the import file: one fixed-width line of 116
// characters, cut at fixed positions. Nothing is trimmed: each field is the
// text as it stands in the line, blanks included.
namespace orva::importacao {

class RegistroNota {
public:
    static constexpr qsizetype Tamanho = 116;

    // Position (from 1) and width of each of the 19 fields, in record order.
    struct Posicao {
        int inicio;
        int largura;
    };
    static constexpr std::array<Posicao, 19> Campos{{
        {1, 14},  // 1 declarant's state registration
        {15, 4},  // 2 exercise year
        {19, 6},  // 3 municipality code
        {25, 10}, // 4 invoice number
        {35, 2},  // 5 entry type
        {37, 1},  // 6 emitter type
        {38, 2},  // 7 issue day
        {40, 2},  // 8 issue month
        {42, 4},  // 9 issue year
        {46, 15}, // 10 invoice value, in hundredths
        {61, 1},  // 11 origin emitter type
        {62, 14}, // 12 origin note emitter
        {76, 2},  // 13 origin note type
        {78, 10}, // 14 origin note number
        {88, 2},  // 15 origin note day
        {90, 2},  // 16 origin note month
        {92, 4},  // 17 origin note year
        {96, 15}, // 18 origin note value, in hundredths
        {111, 6}, // 19 origin municipality code
    }};

    // `linha` is the line without its terminator. `tamanho` is its length as
    // read when the text kept is shorter than the line (a very long line is
    // not kept whole); by default the length of `linha`.
    explicit RegistroNota(QString linha, qint64 tamanho = -1);

    const QString &linha() const { return m_linha; }
    qint64 tamanho() const { return m_tamanho; }
    bool tamanhoValido() const { return m_tamanho == Tamanho; }

    // Field `numero` (1 to 19) as it stands in the line; shorter or empty
    // when the line is too short to hold it.
    QString campo(int numero) const;

    QString inscricao() const { return campo(1); }
    QString exercicio() const { return campo(2); }
    QString municipio() const { return campo(3); }
    QString notaFiscal() const { return campo(4); }
    QString tipo() const { return campo(5); }
    QString tipoEmitente() const { return campo(6); }
    QString valorNota() const { return campo(10); }
    QString tipoEmitenteOrigem() const { return campo(11); }
    QString tipoNotaOrigem() const { return campo(13); }
    QString notaOrigem() const { return campo(14); }
    QString valorNotaOrigem() const { return campo(18); }
    QString municipioOrigem() const { return campo(19); }

    // Issue date "DD/MM/YYYY" built from fields 7 to 9.
    QString dataEmissao() const;
    // Origin note date built from fields 15 to 17, as it stands.
    QString dataNotaOrigem() const;
    // The origin note date as it is stored: the all-zero date means no date,
    // which the table keeps as 01/01/1900.
    QString dataNotaOrigemGravada() const;
    // Values as they are stored: the first 13 characters, a comma and the
    // last 2 ("000000001234567" -> "0000000012345,67").
    QString valorNotaDecimal() const;
    QString valorNotaOrigemDecimal() const;

private:
    QString m_linha;
    qint64 m_tamanho;
};

// Reads a text file one line at a time without holding it whole. A line ends
// at LF; a CR just before the LF belongs to the terminator, so CR LF and LF
// files read alike. Text after the last terminator is one more line; the
// terminator of the last line does not make an empty line of its own. Lines
// are Windows-1252: one byte is one character.
class LeitorLinhas {
public:
    // Longest part of a line that is kept as text; longer lines still report
    // their whole length.
    static constexpr qsizetype MaximoGuardado = 1 << 20;

    // Raises orva::Error when the file cannot be opened.
    explicit LeitorLinhas(const QString &arquivo);

    // Reads the next line; false at the end of the file. Raises orva::Error
    // on a read failure.
    bool proxima();

    RegistroNota registro() const { return RegistroNota(texto(), m_tamanho); }
    QString texto() const;
    qint64 tamanho() const { return m_tamanho; }

private:
    bool enche();
    void guarda(const char *dados, qsizetype n);

    QFile m_arquivo;
    QByteArray m_buffer;
    qsizetype m_posicao = 0;
    bool m_fimArquivo = false;
    QByteArray m_linha; // the kept part of the current line
    qint64 m_tamanho = 0;
};

} // namespace orva::importacao
