#pragma once
// Declarations, archives and exchanges for the server's tests.
#include "server/servidor_teste.h"

#include "archiver/rar_archive.h"
#include "client/datp.h"

#include <QFile>
#include <QTemporaryDir>

namespace datp_teste {

using orva::cliente::InterpretaResposta;

inline QByteArray zeros(int n) { return QByteArray(n, '0'); }
inline QByteArray z(qint64 v, int n) { return QByteArray::number(v).rightJustified(n, '0'); }

inline const QByteArray Inscricao = "00000000000001";
inline const QByteArray Razao = QByteArray("D'AVILA COMERCIO LTDA");

// Record "10", record "20" with the given totals, and the detail records.
inline QByteArray declaracao(const QByteArray &tipo, const QList<qint64> &totais, const QList<QByteArray> &detalhes)
{
    QByteArray d = "10" + Inscricao + Razao.leftJustified(70, ' ') + "12345678000195" "4711302" "0000" "110001\r\n";
    d += "20" "0007" + tipo + "01" "2015" + Inscricao + "05/03/2015" "08/12/2026" "12345678000195"
         + Razao.leftJustified(50, ' ') + zeros(14) + QByteArray("JOSE").leftJustified(50, ' ');
    for (const qint64 t : totais)
        d += z(t, 15);
    d += "110001\r\n";
    for (const QByteArray &l : detalhes)
        d += l + "\r\n";
    return d;
}

inline QByteArray nota(const QByteArray &nf, qint64 centavos)
{
    return "30" + Inscricao + "2015" "110002" + nf + "10/02/2015" "NP" + z(centavos, 15) + "01" + zeros(10)
           + "01/01/1900" "00" + zeros(14) + "  " + zeros(15) + "000000" "0007" "I";
}

// Packs a declaration file as the export does; returns the archive's bytes.
inline QByteArray compacta(const QTemporaryDir &dir, const QByteArray &conteudo, const QString &nome = "Orva000700000000000001.exp")
{
    const QString exp = dir.filePath(nome);
    QFile f(exp);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(conteudo);
    f.close();
    const QString arquivo = dir.filePath("pacote-" + QString::number(qHash(conteudo)) + ".rar");
    QString erro;
    EXPECT_TRUE(orva::rar::add(arquivo, {exp}, &erro)) << erro.toStdString();
    QFile a(arquivo);
    EXPECT_TRUE(a.open(QIODevice::ReadOnly));
    return a.readAll();
}

// AUTH, the bytes, and the reply after them.
inline orva::cliente::Resposta entrega(quint16 porta, const QByteArray &bytes)
{
    ConexaoBruta c(porta);
    c.envia("DATP/1.0 AUTH USUARIO@ORVA ORVA " + QByteArray::number(bytes.size()) + " Orva000700000000000001.rar\r\n");
    const QByteArray pronto = c.linha();
    EXPECT_TRUE(pronto.startsWith("DATP/1.0 00 200 '")) << pronto.toStdString();
    c.envia(bytes);
    return InterpretaResposta(QString::fromLatin1(c.linha()));
}

inline orva::cliente::Resposta pede(quint16 porta, const QByteArray &linha)
{
    ConexaoBruta c(porta);
    c.envia(linha);
    return InterpretaResposta(QString::fromLatin1(c.linha()));
}


} // namespace datp_teste
