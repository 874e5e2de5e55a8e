#include "funcoesbase.h"

#include "common/errors.h"
#include "common/pastaprograma.h"
#include "common/plataforma/regional.h"
#include "common/messages.h"
#include "regional.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>

namespace Funcoes {

QString SuporteTecnico = QStringLiteral("Central Tarvo - Fone: 55 5010-2020");

namespace {

QString g_programFolder;

} // namespace

// The executable's folder, or the per-user folder on an installed system.
static QString pastaPadrao()
{
    const QString executavel = QCoreApplication::applicationDirPath();
    return orva::pastaprograma::instalada(executavel) ? orva::pastaprograma::doUsuario() : executavel;
}

QString DiretorioSistema()
{
    QString folder = g_programFolder.isEmpty() ? pastaPadrao() : g_programFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void DefineDiretorioSistema(const QString &folder)
{
    g_programFolder = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

QString ZerosEsquerda(const QString &texto, int tamanho)
{
    return texto.size() >= tamanho ? texto : QString(tamanho - texto.size(), QLatin1Char('0')) + texto;
}

QString EspacosDireita(const QString &texto, int tamanho)
{
    return texto.size() >= tamanho ? texto : texto + QString(tamanho - texto.size(), QLatin1Char(' '));
}

QString RetiraPontuacao(const QString &texto)
{
    static const QString punctuation = QStringLiteral("%'*,./;");
    QString out;
    out.reserve(texto.size());
    for (const QChar c : texto)
        if (!punctuation.contains(c))
            out += c;
    return out;
}

QString SoNumeros(const QString &texto)
{
    QString out;
    for (const QChar c : texto)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            out += c;
    return out;
}

bool SoDigitos(const QString &texto)
{
    if (texto.isEmpty())
        return false;
    for (const QChar c : texto)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool ValidaNumero(const QString &texto) { return orva::regional::parseFloat(texto, false).has_value(); }

bool ValidaInteiro(const QString &texto) { return orva::regional::parseInteger(texto).has_value(); }

bool ValidaData(const QString &texto) { return orva::regional::parseDate(texto).has_value(); }

int ContaLinhas(const QString &arquivo)
{
    QFile file(arquivo);
    if (!file.open(QIODevice::ReadOnly))
        throw orva::Error(QStringLiteral("Não foi possível ler o arquivo %1: %2").arg(arquivo, file.errorString()));
    int lines = 0;
    bool pending = false; // text after the last line end
    char buffer[65536];
    qint64 n = 0;
    while ((n = file.read(buffer, sizeof buffer)) > 0) {
        for (qint64 i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                ++lines;
                pending = false;
            } else {
                pending = true;
            }
        }
    }
    if (n < 0)
        throw orva::Error(QStringLiteral("Erro ao ler o arquivo %1: %2").arg(arquivo, file.errorString()));
    return lines + (pending ? 1 : 0);
}

bool VerificaFormatoData() { return VerificaFormatoData(orva::plataforma::formatoDataCurta()); }

bool VerificaFormatoData(const QString &formatoCurto)
{
    if (formatoCurto.toUpper() == QLatin1String("DD/MM/YYYY"))
        return true;
    orva::messages().information(
        QStringLiteral("Formato da Data do Sistema operacional esta invalido (") + formatoCurto + QStringLiteral(").")
        + QLatin1Char('\n') + QStringLiteral("Por Favor configure o formato da Data para DD/MM/YYYY.")
        + QLatin1Char('\n')
        + QStringLiteral("Para corrigir Utilize o painel de controle do windows a opção de Configurações Regionais."));
    return false;
}

QString MensagemSuporte(const QString &mensagem)
{
    return mensagem + QStringLiteral("\n\nSuporte técnico: \n") + SuporteTecnico;
}

void TrataExcecao(const orva::Error &erro) { orva::messages().error(MensagemSuporte(erro.message())); }

void TrataExcecao(const std::exception &erro)
{
    if (dynamic_cast<const orva::Abort *>(&erro))
        return;
    if (const auto *known = dynamic_cast<const orva::Error *>(&erro))
        return TrataExcecao(*known);
    orva::messages().error(MensagemSuporte(QString::fromLocal8Bit(erro.what())));
}

} // namespace Funcoes
