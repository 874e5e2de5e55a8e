#pragma once
#include <QString>

// The delivery client's one setting: the receiving server's address, kept in
// a settings file beside the program.
namespace orva::cliente {

// The receiving server's port; it is not configurable.
inline constexpr quint16 PortaDatp = 4040;
// The host used until the settings say otherwise.
inline constexpr const char *HostPadrao = "127.0.0.1";

struct Endereco {
    QString host = QString::fromLatin1(HostPadrao);
    quint16 porta = PortaDatp;
};

// The settings file of a program: its path with the extension ".INI"
// (".../ClienteORVA" -> ".../ClienteORVA.INI").
QString arquivoConfiguracao(const QString &executavel);
// The settings file of the client installed in `pastaCliente`.
QString configuracaoDaPasta(const QString &pastaCliente);

// Reads the host from section "REMOTE", key "ADDR" of `arquivo`. A file that
// exists but lacks the key gives "172.0.0.1". A missing file is created with
// ADDR=127.0.0.1 and that host is used; when it cannot be created the
// built-in host is used all the same and *erro says why.
QString LeConfiguracao(const QString &arquivo, QString *erro = nullptr);

} // namespace orva::cliente
