#include "cadastro.h"

#include "common/relogio.h"
#include "core/stores/protocolos.h"

namespace {

namespace cad = orva::cli::cadastro;
using orva::stores::Protocolo;

const char *const kUso =
    "protocol new --inscricao N --tipo-entrega N --responsavel TEXTO --crc TEXTO | protocol save --protocolo N "
    "[--inscricao N --tipo-entrega N --responsavel TEXTO --crc TEXTO] | protocol reopen --protocolo N | protocol "
    "delete --protocolo N | protocol list";

const QStringList kDigitados{"inscricao", "tipo-entrega", "responsavel", "crc"};

// Answer keys: the typed fields, then what the row holds besides.
const QStringList kColunas{"protocolo",      "tipo-protocolo", "tipo-entrega", "exercicio",   "inscricao",
                           "crc",            "responsavel",    "razao-social", "cnpj",        "municipio",
                           "data-geracao",   "data-transmissao"};

QJsonObject emJson(const Protocolo &p)
{
    const QStringList valores{p.numero, p.tipoProtocolo, p.tipoEntrega, p.exercicio, p.inscricao, p.crc,
                              p.responsavel, p.razao, p.cnpj, p.municipio, p.dtGeracao, p.dtTransmissao};
    QJsonObject o;
    for (int i = 0; i < kColunas.size(); ++i)
        o.insert(kColunas.at(i), valores.at(i));
    return o;
}

// The typed options over what `p` holds.
void toma(const orva::cli::Opcoes &o, Protocolo &p)
{
    QString *campos[] = {&p.inscricao, &p.tipoEntrega, &p.responsavel, &p.crc};
    for (int i = 0; i < kDigitados.size(); ++i)
        if (o.tem(kDigitados.at(i)))
            *campos[i] = o.valor(kDigitados.at(i));
}

int responde(const QString &recusa, const QString &chave)
{
    return recusa.isEmpty() ? cad::gravado(chave) : cad::recusa(recusa);
}

// A new open protocol under the next number; refused while the company
// has one open.
int novoProtocolo(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    Protocolo p;
    toma(o, p);
    orva::stores::Protocolos protocolos(conexao);
    const QString recusa = protocolos.novo(p, orva::hoje());
    return responde(recusa, p.numero);
}

// Changes a stored protocol: options left out keep what is stored.
int gravaProtocolo(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    const QString numero = o.valor(QStringLiteral("protocolo"));
    orva::stores::Protocolos protocolos(conexao);
    std::optional<Protocolo> p;
    const QString recusa = cad::gravaComReleitura([&] {
        p = protocolos.carrega(numero);
        if (!p)
            return QStringLiteral("O protocolo %1 não existe: use orva-cli protocol new para criar um protocolo, ou "
                                  "confira o número com orva-cli protocol list.")
                .arg(numero);
        toma(o, *p);
        return protocolos.grava(*p, orva::hoje());
    });
    return responde(recusa, p ? p->numero : numero);
}

int reabreProtocolo(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    const QString numero = o.valor(QStringLiteral("protocolo"));
    const QString recusa = orva::stores::Protocolos(conexao).reabre(numero);
    if (!recusa.isEmpty())
        return cad::recusa(recusa);
    return cad::feito(QStringLiteral("Protocolo ReAberto com sucesso !"), numero);
}

int apagaProtocolo(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    const QString numero = o.valor(QStringLiteral("protocolo"));
    orva::stores::Protocolos protocolos(conexao);
    if (!protocolos.carrega(numero))
        return cad::recusa(QStringLiteral("O protocolo %1 não existe: nada foi apagado. Confira o número com orva-cli "
                                     "protocol list.")
                          .arg(numero));
    if (const QString r = protocolos.apaga(numero); !r.isEmpty())
        return cad::recusa(r);
    return cad::feito(QString(), numero);
}

int listaProtocolos(const orva::cli::Opcoes &, orva::db::Connection &conexao)
{
    QJsonArray linhas;
    for (const Protocolo &p : orva::stores::Protocolos(conexao).lista())
        linhas.append(emJson(p));
    return cad::lista(kColunas, linhas);
}

int protocolo(const QStringList &argumentos)
{
    const QString numero = QStringLiteral("protocolo");
    return cad::executa(QStringLiteral("protocol"), QString::fromLatin1(kUso), argumentos,
                   {{QStringLiteral("new"), kDigitados, kDigitados, novoProtocolo},
                    {QStringLiteral("save"), kDigitados + QStringList{numero}, {numero}, gravaProtocolo},
                    {QStringLiteral("reopen"), {numero}, {numero}, reabreProtocolo},
                    {QStringLiteral("delete"), {numero}, {numero}, apagaProtocolo},
                    {QStringLiteral("list"), {}, {}, listaProtocolos}});
}

const orva::cli::Registro registro(
    "protocol",
    "protocol new|save|reopen|delete|list  abre, altera, reabre, apaga ou lista protocolos de transmissão "
    "(--protocolo, --inscricao, --tipo-entrega, --responsavel, --crc); " ORVA_CADASTRO_SAIDAS,
    protocolo);

} // namespace
