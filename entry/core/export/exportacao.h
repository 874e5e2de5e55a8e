#pragma once
#include "declaracao.h"

#include "common/errors.h"

#include <QDate>
#include <QString>

#include <functional>
#include <optional>

// The export of one open protocol as a declaration file, free of widgets:
// the export window and orva-cli run these same steps.
namespace orva::exportacao {

// A run refused for a reason the user is shown in a box (the protocol is no
// longer open, the company is missing, an invalid protocol type, the
// archiver failed); a file that cannot be written raises a plain Error.
class Recusa : public orva::Error {
public:
    using orva::Error::Error;
};

// What loading an open protocol gives.
struct ProtocoloCarregado {
    QString numero; // as the user typed it
    QString exercicio;
    QString inscricao;
    int tipoProtocolo = 0;
    QString tipoEntrega;
    QString arquivo;        // the declaration file
    QString baseCompactado; // the archive, without ".rar"
    QString registroProtocolo;
};

struct ResultadoGravacao {
    int linhas = 0;
    bool cancelado = false;
};

// What a whole export run did before the protocol is marked.
struct Exportacao {
    ProtocoloCarregado protocolo; // as read in the run's snapshot
    int linhas = 0;
    bool cancelado = false;
    bool empacotado = false;   // the archive was written and read back
    QString arquivoCompactado; // with ".rar"
    // What the rows looked like in the snapshot (count, last row, amounts):
    // the mark is refused when they changed since, as the file lacks that.
    QString retratoDasLinhas;
};

// How a whole run ended, with the text to show for it.
struct Execucao {
    enum class Fim {
        Concluida,    // packed, handed on and the protocol marked
        Recusada,     // refused before anything was packed (see Recusa)
        Cancelada,    // by the user, while the rows were written
        SemRegistros, // the protocol has no rows
        MarcaFalhou,  // packed and handed on, but the mark could not be written
    };
    Fim fim = Fim::Recusada;
    QString mensagem;
    Exportacao exportacao;
};

class Exportador {
public:
    explicit Exportador(orva::db::Connection &conexao) : m_conexao(conexao) {}

    // The open protocol with this number (digits only), or nothing when no
    // such protocol exists or it was transmitted already.
    std::optional<ProtocoloCarregado> carregaProtocolo(const QString &numero, const QDate &hoje);
    // Record "10" of the company, or nothing when it is not registered.
    std::optional<QString> registroEmpresa(const QString &inscricao);

    // Writes the declaration file: records "10" and "20", then one record per
    // row, streamed. `progresso(linhas, total)` runs after every row; false
    // cancels (the file keeps what was written). A protocol type other than 0
    // or 1 raises the integrity message.
    ResultadoGravacao gravaArquivo(const ProtocoloCarregado &protocolo, const QString &registroEmpresa,
                                   const std::function<bool(int, int)> &progresso = {});

    // The run the window and orva-cli share: the protocol, its company, its
    // totals and its rows read in one snapshot and written to the declaration
    // file, which is then packed. Nothing is packed when the run is cancelled
    // or has no rows. Raises orva::Error with the message to show when the
    // protocol is no longer open, the company is missing, a file cannot be
    // written or the archiver fails.
    Exportacao exporta(const QString &numero, const QDate &hoje, const std::function<bool(int, int)> &progresso = {});

    // Sets the transmission date of the protocol in a transaction of its
    // own; raises when that cannot be written, the protocol is gone, or its
    // rows no longer look as in the snapshot of `exportada` (when given):
    // another workstation changed them after the file was written.
    void marcaTransmitido(const QString &numero, const QDate &hoje, const Exportacao *exportada = nullptr);

    // One whole run, as the window and orva-cli both do it: exporta(), then
    // `transmite` with the packed archive (the window asks whether to send it
    // now and starts the client or offers the copy window; orva-cli hands
    // nothing on), then the protocol marked. A file that cannot be written
    // is raised.
    Execucao executa(const QString &numero, const QDate &hoje, const std::function<bool(int, int)> &progresso,
                     const std::function<void(const Exportacao &)> &transmite);

private:
    declaracao::Totais totais(const QString &numero, int tipoProtocolo);
    QString retratoDasLinhas(const QString &numero, int tipoProtocolo);

    orva::db::Connection &m_conexao;
};

// Texts the window and orva-cli share.
QString mensagemProtocoloInexistente();
QString mensagemSemRegistros();
QString mensagemTipoInvalido();
QString mensagemFalhaCompactacao();
QString mensagemEmpresaInexistente(const QString &inscricao);
// The archive is there but the transmitted mark could not be written.
QString mensagemFalhaMarca(const QString &motivo);

} // namespace orva::exportacao
