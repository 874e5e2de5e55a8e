#include "cadastro.h"
#include "resposta.h"

#include "core/shell/dtmdados.h"
#include "core/stores/leitura.h"

namespace orva::cli::cadastro {

QString gravaComReleitura(const std::function<QString()> &lendoEGravando)
{
    constexpr int kTentativas = 3;
    QString recusa;
    for (int i = 0; i < kTentativas; ++i) {
        recusa = lendoEGravando();
        if (recusa != stores::kAlteradoPorOutro && recusa != stores::kIncluidoPorOutro)
            break;
    }
    return recusa;
}

int executa(const QString &comando, const QString &uso, const QStringList &argumentos,
            const std::vector<Definicao> &subcomandos)
{
    const QString nome = argumentos.value(0);
    for (const Definicao &d : subcomandos) {
        if (d.nome != nome)
            continue;
        const QString completo = comando + QLatin1Char(' ') + nome;
        const Opcoes opcoes(completo, argumentos.mid(1), d.opcoes);
        if (!opcoes.valido()) {
            falha(opcoes.erro() + QStringLiteral("\nUso: orva-cli ") + uso);
            return UsoErrado;
        }
        QStringList faltam;
        for (const QString &o : d.obrigatorias)
            if (!opcoes.tem(o))
                faltam << QStringLiteral("--") + o;
        if (!faltam.isEmpty() || !opcoes.posicionais().isEmpty()) {
            falha(QStringLiteral("Informe %1 ao comando %2.\nUso: orva-cli %3")
                      .arg(faltam.isEmpty() ? QStringLiteral("só opções") : faltam.join(QStringLiteral(", ")),
                           completo, uso));
            return UsoErrado;
        }
        try {
            TdtmDados dados;
            dados.DataModuleCreate();
            // A damaged database is said so, rather than listed as far as it reads.
            TdtmDados::VerificaBanco(dados.ADOConnection);
            return d.executa(opcoes, dados.ADOConnection);
        } catch (const orva::Error &e) {
            falha(e.message());
            return FalhaBanco;
        }
    }
    const QString problema = nome.isEmpty()
        ? QStringLiteral("Informe o que o comando %1 deve fazer.").arg(comando)
        : QStringLiteral("Subcomando desconhecido do comando %1: \"%2\".").arg(comando, nome);
    falha(problema + QStringLiteral("\nUso: orva-cli ") + uso);
    return UsoErrado;
}

int recusa(const QString &mensagem)
{
    falha(mensagem);
    return Recusado;
}

int feito(const QString &mensagem, const QString &chave)
{
    Resposta &r = Resposta::atual();
    if (!mensagem.isEmpty())
        r.mensagem(mensagem);
    r.linha(chave);
    r.resultado(QStringLiteral("chave"), chave);
    return Feito;
}

int gravado(const QString &chave) { return feito(QStringLiteral("Registro Gravado !"), chave); }

int lista(const QStringList &colunas, const QJsonArray &linhas)
{
    Resposta &r = Resposta::atual();
    for (const QJsonValue &linha : linhas) {
        QStringList valores;
        for (const QString &c : colunas)
            valores << linha.toObject().value(c).toString();
        r.linha(valores.join(QLatin1Char('\t')));
    }
    r.resultado(QStringLiteral("linhas"), linhas);
    return Feito;
}

} // namespace orva::cli::cadastro
