#pragma once
// Records and databases the import tests share.
#include "support/sql.h"
#include "support/temp_program.h"

#include "common/win1252.h"

#include <QFile>
#include <QStringList>

#include <array>
#include <initializer_list>
#include <utility>

namespace notas_teste {

// A record built field by field: a valid record of the test company, with
// the fields a test changes.
struct Registro {
    std::array<QString, 19> campos;

    Registro &com(int campo, const QString &valor)
    {
        campos[static_cast<size_t>(campo - 1)] = valor;
        return *this;
    }
    QString linha() const
    {
        QString s;
        for (const QString &c : campos)
            s += c;
        return s;
    }
};

// Invoice of a producer's note: the origin block all zeros.
inline Registro notaNP(const QString &nf)
{
    return {{"00000000000001", "2015", "110001", nf, "NP", "1", "05", "03", "2015", "000000000150000", "0",
             "00000000000000", "00", "0000000000", "00", "00", "0000", "000000000000000", "000000"}};
}

// The declarant's own entry note with its origin note.
inline Registro notaNE(const QString &nf)
{
    return {{"00000000000001", "2015", "110001", nf, "NE", "1", "05", "03", "2015", "000000000150000", "1",
             "00000087654321", "NP", "0000000815", "01", "03", "2015", "000000000150000", "110020"}};
}

// Writes the lines in Windows-1252, each ended by CR LF.
inline void gravaArquivo(const QString &caminho, const QStringList &linhas)
{
    QFile f(caminho);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    for (const QString &l : linhas)
        f.write(orva::win1252::encode(l) + "\r\n");
}

inline void executa(const QString &sql) { sql::executa(dtmDados->ADOConnection, sql); }

inline int conta(const QString &sql) { return static_cast<int>(sql::numero(dtmDados->ADOConnection, sql)); }

inline int notas() { return conta(QStringLiteral("Select Count(*) From Notas")); }

// A program folder with the invoice declarant 00000000000001, its open
// invoice protocol 7, an apportionment protocol 8 and a transmitted
// invoice protocol 9, and an apportionment company 00000000000002 with the
// open invoice protocol 10.
struct Programa {
    Programa()
    {
        executa("Insert into Empresa Values ('00000000000001', 'EMPRESA ALFA', '12345678000195', '4711302', '0', "
                "'110001'), ('00000000000002', 'EMPRESA BETA', '12345678000195', '4711302', '1', '110001')");
        executa("Insert into Protocolo (Protocolo, Tipo_Protocolo, Tipo_Entrega, Exercicio, Inscricao, DtGeracao, "
                "DtTransmissao) Values (7, 0, '1', '2015', '00000000000001', '2015-03-05', Null), "
                "(8, 1, '1', '2015', '00000000000001', '2015-03-05', Null), "
                "(9, 0, '1', '2015', '00000000000001', '2015-03-05', '2015-04-01'), "
                "(10, 0, '1', '2015', '00000000000002', '2015-03-05', Null)");
    }
    QString arquivo(const QString &nome, const QStringList &linhas) const
    {
        const QString caminho = program.path(nome);
        gravaArquivo(caminho, linhas);
        return caminho;
    }

    TempProgram program;
};

inline QString dados(const char *nome) { return QStringLiteral(ORVA_SOURCE_DIR "/tests/entry/import/dados/") + nome; }

inline QStringList linhasDe(const QString &caminho)
{
    QFile f(caminho);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString texto = QString::fromUtf8(f.readAll());
    if (texto.endsWith(QLatin1Char('\n')))
        texto.chop(1);
    return texto.split(QLatin1Char('\n'));
}

} // namespace notas_teste
