#include "cadastro.h"

#include "core/stores/empresas.h"

namespace {

namespace cad = orva::cli::cadastro;
using orva::stores::Empresa;

const char *const kUso = "company save --inscricao N [--cnpj N --razao-social TEXTO --cnae N --tipo-declaracao 0|1 "
                         "--municipio N] | company delete --inscricao N | company list";

// Options and answer keys, in the order of the window's fields.
const QStringList kColunas{"inscricao", "cnpj", "razao-social", "cnae", "tipo-declaracao", "municipio"};

QJsonObject emJson(const Empresa &e)
{
    const QStringList valores{e.inscricao, e.cnpj, e.razao, e.cnae, e.tipoDeclara, e.municipio};
    QJsonObject o;
    for (int i = 0; i < kColunas.size(); ++i)
        o.insert(kColunas.at(i), valores.at(i));
    return o;
}

// Registers a company, or changes the one of the registration: options
// left out keep what is stored, as in the window that loads the company
// when its registration is typed.
int gravaEmpresa(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    orva::stores::Empresas empresas(conexao);
    const QString inscricao = o.valor(QStringLiteral("inscricao"));
    Empresa e;
    const QString recusa = cad::gravaComReleitura([&] {
        e = empresas.carrega(orva::stores::inscricaoCompleta(inscricao)).value_or(Empresa{});
        e.inscricao = inscricao;
        const auto toma = [&o](const char *opcao, QString &campo) {
            if (o.tem(QString::fromLatin1(opcao)))
                campo = o.valor(QString::fromLatin1(opcao));
        };
        toma("cnpj", e.cnpj);
        toma("razao-social", e.razao);
        toma("cnae", e.cnae);
        toma("tipo-declaracao", e.tipoDeclara);
        toma("municipio", e.municipio);
        return empresas.grava(e);
    });
    return recusa.isEmpty() ? cad::gravado(e.inscricao) : cad::recusa(recusa);
}

int apagaEmpresa(const orva::cli::Opcoes &o, orva::db::Connection &conexao)
{
    const QString inscricao = orva::stores::inscricaoCompleta(o.valor(QStringLiteral("inscricao")));
    if (!orva::stores::Empresas(conexao).apaga(inscricao))
        return cad::recusa(QStringLiteral("A empresa de inscrição %1 não está cadastrada: nada foi apagado. Confira a "
                                     "inscrição com orva-cli company list.")
                          .arg(inscricao));
    return cad::feito(QString(), inscricao);
}

int listaEmpresas(const orva::cli::Opcoes &, orva::db::Connection &conexao)
{
    QJsonArray linhas;
    for (const Empresa &e : orva::stores::Empresas(conexao).lista())
        linhas.append(emJson(e));
    return cad::lista(kColunas, linhas);
}

int empresa(const QStringList &argumentos)
{
    return cad::executa(QStringLiteral("company"), QString::fromLatin1(kUso), argumentos,
                   {{QStringLiteral("save"), kColunas, {QStringLiteral("inscricao")}, gravaEmpresa},
                    {QStringLiteral("delete"), {QStringLiteral("inscricao")}, {QStringLiteral("inscricao")}, apagaEmpresa},
                    {QStringLiteral("list"), {}, {}, listaEmpresas}});
}

const orva::cli::Registro registro(
    "company",
    "company save|delete|list     cadastra, altera, apaga ou lista empresas (--inscricao, --cnpj, --razao-social, "
    "--cnae, --tipo-declaracao, --municipio); " ORVA_CADASTRO_SAIDAS,
    empresa);

} // namespace
