#pragma once
// The cause of a failed write, in the user's words, from the system's error
// number. Header only: the archiver uses it without linking the rest of common.
#include <QString>

#include <cerrno>
#include <cstring>

namespace orva {

inline QString causaDaFalha(int codigo)
{
    switch (codigo) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("disco cheio (sem espaço livre)");
    case EACCES:
    case EPERM:
        return QStringLiteral("sem permissão de gravação na pasta");
    case EROFS:
        return QStringLiteral("sistema de arquivos somente para leitura");
    case EFBIG:
        return QStringLiteral("o arquivo passou do tamanho máximo permitido");
    default:
        return QString::fromLocal8Bit(std::strerror(codigo));
    }
}

} // namespace orva
