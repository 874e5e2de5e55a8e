#pragma once
// The cause of a failed write, in the user's words, from the system's error
// number; the files seam gives Windows failures as such numbers too.
#include <QString>

#include <cerrno>
#include <cstring>

namespace orva {

inline QString causaDaFalha(int codigo)
{
    switch (codigo) {
    case ENOSPC:
#ifdef EDQUOT // a C library without disk quotas has no such number
    case EDQUOT:
#endif
        return QStringLiteral("disco cheio (sem espaço livre)");
    case EACCES:
    case EPERM:
        return QStringLiteral("sem permissão de gravação na pasta");
    case EROFS:
        return QStringLiteral("sistema de arquivos somente para leitura");
    case EFBIG:
        return QStringLiteral("o arquivo passou do tamanho máximo permitido");
    case EBUSY:
        return QStringLiteral("o arquivo está aberto em outro programa; feche-o e tente novamente");
    default:
        return QString::fromLocal8Bit(std::strerror(codigo));
    }
}

} // namespace orva
