#include "falhas.h"

#include <QStringList>

namespace orva::db {

QString explicacao(Causa causa)
{
    switch (causa) {
    case Causa::EmUso:
        return QStringLiteral("O banco de dados está em uso por outro programa (outro Orva ou o orva-cli). "
                              "Aguarde que ele termine e tente novamente. Nada foi alterado por esta operação.");
    case Causa::SomenteLeitura:
        return QStringLiteral("O banco de dados não pode ser gravado: o arquivo ou a sua pasta estão somente para "
                              "leitura ou sem permissão de gravação. Verifique as permissões de orva.mdb e da pasta.");
    case Causa::DiscoCheio:
        return QStringLiteral("O disco está cheio: não há espaço para gravar no banco de dados. "
                              "Libere espaço em disco e tente novamente.");
    case Causa::Danificado:
        return QStringLiteral("O banco de dados está danificado. Restaure a cópia de segurança "
                              "(menu Ferramentas, \"Restaurar Cópia de Segurança\").");
    case Causa::NaoEncontrado:
        return QStringLiteral("O banco de dados não pôde ser aberto: o arquivo ou a sua pasta não foram encontrados "
                              "ou não podem ser lidos.");
    case Causa::Disco:
        return QStringLiteral("Erro de leitura ou gravação no disco do banco de dados. "
                              "Verifique o disco e tente novamente.");
    case Causa::ChaveDuplicada:
        return QStringLiteral("Já existe um registro com esta chave: nada foi gravado. "
                              "Confira os dados digitados ou altere o registro existente.");
    case Causa::Outra:
        break;
    }
    return QString();
}

DatabaseError falha(Causa causa, const QString &texto)
{
    if (causa == Causa::Outra)
        return DatabaseError(texto, causa);
    // The engine's own words ("database is locked") tell the user nothing
    // the sentence does not; a duplicate key keeps its table and columns.
    if (texto.isEmpty() || causa != Causa::ChaveDuplicada)
        return DatabaseError(explicacao(causa), causa);
    return DatabaseError(explicacao(causa) + QStringLiteral("\n(") + texto + QLatin1Char(')'), causa);
}

} // namespace orva::db
