#include "comprovantes.h"

#include "gravacaosegura.h"

#include "common/errors.h"
#include "common/ini.h"
#include "common/win1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orva::cliente {
namespace {

const QString Secao = QStringLiteral("CMP");

// The receipt's file name comes from the server: it must name a file inside
// the receipts folder and nothing else.
void verificaNome(const QString &nome)
{
    bool valido = !nome.contains(QLatin1Char('/')) && !nome.contains(QLatin1Char('\\'))
                  && !nome.contains(QLatin1String(".."));
    for (const QChar c : nome)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            valido = false;
    if (!valido) {
        QString visivel = nome;
        for (QChar &c : visivel)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                c = QLatin1Char('?');
        throw Error(QStringLiteral("O comprovante recebido não foi gravado: o nome \"%1\" que ele daria ao arquivo "
                                   "contém \"/\", \"\\\", \"..\" ou caracteres de controle.")
                        .arg(visivel));
    }
}

} // namespace

QString pastaComprovantes(const QString &pastaCliente) { return QDir(pastaCliente).filePath(QStringLiteral("recv")); }

QString GravaComprovante(const QString &pastaRecibos, const QString &registro, const ChaveDeclaracao &chave,
                         const QDateTime &quando)
{
    const QString nome = registro.left(22);
    verificaNome(nome);
    const QString arquivo = QDir(pastaRecibos).filePath(nome + QStringLiteral(".cmp"));

    const bool daChave = registro.mid(0, 14) == chave.inscricao && registro.mid(14, 4) == chave.exercicio
                         && registro.mid(18, 4) == chave.protocolo;
    IniFile ini;
    if (QFileInfo::exists(arquivo))
        ini.load(arquivo);
    ini.setValue(Secao, QStringLiteral("Inscricao"), registro.mid(0, 14));
    ini.setValue(Secao, QStringLiteral("Referencia"), registro.mid(14, 4));
    ini.setValue(Secao, QStringLiteral("Protocolo"), registro.mid(18, 4));
    ini.setValue(Secao, QStringLiteral("TipoProtocolo"), daChave ? textoTipo(chave.codigoTipo) : QString());
    ini.setValue(Secao, QStringLiteral("Retificadora"), daChave ? textoRetificacao(chave.codigoEntrega) : QString());
    ini.setValue(Secao, QStringLiteral("Data"), quando.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    ini.setValue(Secao, QStringLiteral("Razao"), registro.mid(35, 50));
    ini.setValue(Secao, QStringLiteral("QtdRegistro"), registro.mid(85, 6));
    ini.setValue(Secao, QStringLiteral("Controle"), registro.mid(91, 13));
    ini.setValue(Secao, QStringLiteral("Registro"), registro);
    GravaArquivoSeguro(arquivo, win1252::encode(ini.text()));
    return arquivo;
}

ListaRecibos ListaComprovantes(const QString &pastaRecibos, Filtro filtro)
{
    QStringList mascaras;
    if (filtro != Filtro::Antigos)
        mascaras << QStringLiteral("*.cmp");
    if (filtro != Filtro::Novos)
        mascaras << QStringLiteral("*.old");
    ListaRecibos lista;
    lista.arquivos = QDir(pastaRecibos).entryList(mascaras, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString &nome : lista.arquivos)
        lista.linhas << nome.left(40) + QStringLiteral(" -- ") + nome.mid(20, 2) + QLatin1Char('/') + nome.mid(14, 4);
    return lista;
}

Recibo LeComprovante(const QString &arquivo)
{
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Não foi possível abrir o arquivo \"%1\": %2").arg(arquivo, f.errorString()));
    const QString texto = win1252::decode(f.readAll());
    Recibo r;
    for (QString linha : texto.split(QLatin1Char('\n'))) {
        if (linha.endsWith(QLatin1Char('\r')))
            linha.chop(1);
        // "Registro=" and the record: line characters 32-33 and 34 are the
        // record's 23-24 (type) and 25 (rectification).
        if (linha.startsWith(QLatin1String("Registro"))) {
            r.codigoTipo = linha.mid(31, 2);
            r.flagRetificacao = linha.mid(33, 1);
        }
    }
    IniFile ini;
    ini.parse(texto);
    const QString invalido = QStringLiteral("INVÁLIDO");
    r.inscricao = ini.value(Secao, QStringLiteral("Inscricao"), invalido);
    r.razao = ini.value(Secao, QStringLiteral("Razao"), invalido);
    r.referencia = ini.value(Secao, QStringLiteral("Referencia"), invalido);
    r.controle = ini.value(Secao, QStringLiteral("Controle"), invalido);
    r.data = ini.value(Secao, QStringLiteral("Data"), invalido);
    r.qtdRegistro = ini.value(Secao, QStringLiteral("QtdRegistro"), invalido);
    r.protocolo = ini.value(Secao, QStringLiteral("Protocolo"), invalido);
    return r;
}

void AplicaAoImprimir(const Recibo &recibo, ChaveDeclaracao &chave)
{
    if (!textoTipo(recibo.codigoTipo).isEmpty()) {
        chave.codigoTipo = recibo.codigoTipo;
        chave.textoTipo = textoTipo(recibo.codigoTipo);
    }
    chave.codigoEntrega = recibo.flagRetificacao == QLatin1String("1")   ? QStringLiteral("01")
                          : recibo.flagRetificacao == QLatin1String("2") ? QStringLiteral("02")
                                                                         : QString();
    chave.textoRetificacao = textoRetificacao(chave.codigoEntrega);
}

QString MarcaImpresso(const QString &arquivo)
{
    if (!arquivo.endsWith(QLatin1String(".cmp"), Qt::CaseInsensitive))
        return arquivo;
    const QString antigo = arquivo.left(arquivo.size() - 3) + QStringLiteral("old");
    // QFile::rename never replaces: with an ".old" already there the receipt
    // stays among the new ones.
    return QFile::rename(arquivo, antigo) ? antigo : arquivo;
}

bool ExcluiComprovante(const QString &arquivo) { return QFile::remove(arquivo); }

} // namespace orva::cliente
