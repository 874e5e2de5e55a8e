#pragma once
// The stand-in program (support/substituto.cpp): a copy of it where a test
// needs a program, and what it is to do, through its environment.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <initializer_list>
#include <utility>

// Copies the stand-in to `caminho` (".exe" added on Windows); returns the
// copy's path, empty on failure.
inline QString instalaSubstituto(const QString &caminho)
{
    const QString destino = caminho + QStringLiteral(ORVA_EXE);
    QDir().mkpath(QFileInfo(destino).path());
    return QFile::copy(QStringLiteral(ORVA_SUBSTITUTO), destino) ? destino : QString();
}

// Sets ORVA_SUBSTITUTO_* for the programs started meanwhile, unset after.
class RoteiroSubstituto {
public:
    RoteiroSubstituto(std::initializer_list<std::pair<const char *, QByteArray>> valores)
    {
        for (const auto &[nome, valor] : valores) {
            const QByteArray variavel = QByteArray("ORVA_SUBSTITUTO_") + nome;
            qputenv(variavel.constData(), valor);
            m_nomes.append(variavel);
        }
    }
    ~RoteiroSubstituto()
    {
        for (const QByteArray &nome : m_nomes)
            qunsetenv(nome.constData());
    }

private:
    QList<QByteArray> m_nomes;
};
