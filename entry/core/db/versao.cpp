#include "versao.h"

#include "connection.h"

namespace orva::db {
namespace {

void recusaMaisNova(int versao)
{
    if (versao > kVersaoDoEsquema)
        throw DatabaseError(QStringLiteral("Este banco de dados foi criado por uma versão mais nova do ORVA (versão %1 do "
                                           "banco; este programa conhece até a %2). Atualize o programa para abri-lo.")
                                .arg(versao)
                                .arg(kVersaoDoEsquema));
}

} // namespace

std::optional<Atualizacao> atualizaEsquema(Connection &conexao, const QStringList &tabelas)
{
    Driver &driver = conexao.motor();
    // A current database is opened without taking the write lock.
    const int lida = driver.versaoDoEsquema();
    recusaMaisNova(lida);
    if (lida == kVersaoDoEsquema)
        return std::nullopt;
    // Another program may be upgrading it now: the version that counts is
    // the one read under the lock.
    WriteTransaction transacao(conexao);
    int versao = driver.versaoDoEsquema();
    recusaMaisNova(versao);
    if (versao == kVersaoDoEsquema)
        return std::nullopt;
    if (versao == 0) {
        // No mark: a database of the first versions, when it has their tables.
        conexao.verify(tabelas);
        versao = 1;
    }
    Atualizacao atualizacao{versao, driver.guardaCopia(versao)};
    for (int passo = versao + 1; passo <= kVersaoDoEsquema; ++passo)
        driver.sobeEsquema(passo);
    driver.marcaVersao(kVersaoDoEsquema);
    transacao.commit();
    return atualizacao;
}

void marcaEsquemaAtual(Connection &conexao) { conexao.motor().marcaVersao(kVersaoDoEsquema); }

} // namespace orva::db
