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
    QString err; // what went to stderr
    // The messages, joined by "|".
    QString mensagens() const
    {
        QStringList textos;
        for (const QJsonValue &m : json.value(QStringLiteral("mensagens")).toArray())
            textos << m.toString();
        return textos.join(QLatin1Char('|'));
    }
};

// The answer of `orva-cli --dir PASTA ARGUMENTOS --json`: the whole of stdout
// must be one JSON object that carries the exit status.
inline Resposta roda(const QString &pasta, const QStringList &argumentos)
{
    QProcess p;
    p.start(QStringLiteral(ORVA_DIST_DIR "/orva-cli" ORVA_EXE), QStringList{"--dir", pasta} + argumentos + QStringList{"--json"});
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "orva-cli did not end: " << argumentos.join(' ').toStdString();
        return {};
    }
    Resposta r{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, {},
               QString::fromUtf8(p.readAllStandardError())};
    const QByteArray saida = p.readAllStandardOutput();
    QJsonParseError erro;
    const QJsonDocument doc = QJsonDocument::fromJson(saida, &erro);
    EXPECT_EQ(erro.error, QJsonParseError::NoError) << argumentos.join(' ').toStdString() << ": " << saida.toStdString();
    EXPECT_TRUE(doc.isObject());
    r.json = doc.object();
    EXPECT_EQ(r.json.value("saida").toInt(-1), r.saida) << argumentos.join(' ').toStdString();
    return r;
}

// The keys every answer carries, and the status they tell.
inline void confere(const Resposta &r, const QString &comando, int saida)
{
    EXPECT_EQ(r.json.value("comando").toString(), comando) << r.err.toStdString();
    EXPECT_EQ(r.saida, saida) << comando.toStdString() << ": " << r.err.toStdString();
    EXPECT_EQ(r.json.value("ok").toBool(), saida == 0);
    EXPECT_TRUE(r.json.value("mensagens").isArray());
}

} // namespace orvacli
