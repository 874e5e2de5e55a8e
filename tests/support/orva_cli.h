#pragma once
// Runs the real orva-cli on a program folder with --json and reads its answer.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

namespace orvacli {

struct Resposta {
    int saida = -1;
    QJsonObject json;
    // The messages, joined by "|".
    QString mensagens() const
    {
        QStringList textos;
        for (const QJsonValue &m : json.value(QStringLiteral("mensagens")).toArray())
            textos << m.toString();
        return textos.join(QLatin1Char('|'));
    }
};

// The answer of `orva-cli --dir PASTA --json ARGUMENTOS`; the one JSON object
// on stdout is checked to parse and to carry the exit status ("init" prints a
// path instead).
inline Resposta roda(const QString &pasta, const QStringList &argumentos)
{
    QProcess p;
    p.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli"), QStringList{"--dir", pasta, "--json"} + argumentos);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "orva-cli did not end: " << argumentos.join(' ').toStdString();
        return {};
    }
    Resposta r{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, {}};
    if (argumentos.value(0) != QLatin1String("init")) {
        const QByteArray saida = p.readAllStandardOutput();
        QJsonParseError erro;
        r.json = QJsonDocument::fromJson(saida, &erro).object();
        EXPECT_EQ(erro.error, QJsonParseError::NoError) << saida.toStdString();
        EXPECT_EQ(r.json.value("saida").toInt(), r.saida) << argumentos.join(' ').toStdString();
    }
    return r;
}

} // namespace orvacli
