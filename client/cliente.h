#pragma once
#include "comprovantes.h"
#include "configuracao.h"
#include "datp.h"
#include "declaracoes.h"

#include <QString>
#include <QStringList>

#include <optional>

// The delivery client without its window: the state the window shows and the
// steps its buttons and lists run. The window, orva-cli and the tests drive
// this one class; what it shows goes through Dialogos.
namespace orva::cliente {

// What the client shows the user. The window shows its notice dialog and
// message boxes; orva-cli prints; tests record.
class Dialogos {
public:
    virtual ~Dialogos() = default;
    // The success notice. Returns when the user has pressed "Continuar >>"
    // or closed it.
    virtual void aviso(const QString &mensagem1, const QString &mensagem2) = 0;
    // The notice of "200": true when the user chose to go on, and only then
    // does the archive go out. Where no one can cancel, the plain notice.
    virtual bool confirma(const QString &mensagem1, const QString &mensagem2)
    {
        aviso(mensagem1, mensagem2);
        return true;
    }
    // The failure notice with its error report; message 2 as the server sent
    // it, "#13" included (see TrocaQuebras).
    virtual void falha(const QString &mensagem1, const QString &mensagem2) = 0;
    // An error box.
    virtual void erro(const QString &texto) = 0;
    // A plain message box.
    virtual void mensagem(const QString &texto) = 0;
};

struct ResultadoEnvio {
    ResultadoTroca troca;
    bool comprovanteGravado = false;
    QString comprovante; // the receipt file, when stored
    bool marcada = false; // the archive now ends in ".ra_"
};

class Cliente {
public:
    // `pastaCliente`: the client's program folder (settings file, "recv",
    // the archiver beside it).
    Cliente(const QString &pastaCliente, Dialogos &dialogos);

    const QString &pastaCliente() const { return m_pastaCliente; }
    QString pastaRecibos() const { return pastaComprovantes(m_pastaCliente); }

    // Start-up: the host from the settings file `arquivo` (created when
    // missing); empty means ClienteORVA.INI in the client folder. A file that
    // cannot be created is passed over in silence.
    void LeConfiguracao(const QString &arquivo = QString());
    Endereco &endereco() { return m_endereco; }
    Limites &limites() { return m_limites; }
    // Shown the progress of each exchange (send and fetch) and able to stop
    // it; without one the exchanges block until they end.
    void defineAcompanhamento(Acompanha acompanha) { m_acompanha = std::move(acompanha); }

    // ---- Declarations ----
    // The origin folder text.
    const QString &origem() const { return m_origem; }
    void defineOrigem(const QString &texto) { m_origem = texto; }
    // Refills the archive list from `pasta`; returns the visible lines.
    const QStringList &ListaDeclaracoes(const QString &pasta);
    const QStringList &declaracoes() const { return m_arquivos; }
    const QStringList &linhasDeclaracoes() const { return m_linhas; }

    // A click on the declaration at `indice`: it becomes the selected archive
    // and is unpacked into the origin folder (the archiver is waited for).
    // True when Send may be enabled; false only for an index off the list.
    // An extraction that fails says nothing here (erroExtracao() keeps why):
    // the send then shows why and stops.
    bool SelecionaDeclaracao(int indice);
    const QString &arquivoSelecionado() const { return m_arquivoSelecionado; }
    const QString &arquivoDados() const { return m_arquivoDados; }
    const QString &erroExtracao() const { return m_erroExtracao; }
    ChaveDeclaracao &chave() { return m_chave; }

    // Send: reads the protocol record, delivers the selected archive and,
    // once a reply came after its bytes, marks it sent (when a receipt came),
    // refreshes both lists and deletes the declaration file. A cancelled
    // delivery changes nothing, as a failure before the reply.
    ResultadoEnvio Envia();

    enum class Abertura { Listada, ComprovanteGravado, ComprovanteRecusado };
    // Open: a text of more than 140 characters beginning "S" or "N" is a
    // receipt record typed in by hand: it is stored and the origin becomes
    // "a:\". Otherwise the folder gets its trailing separator and is listed.
    Abertura Abre();
    // Remove: marks the selected archive as sent (it is not deleted) and
    // lists the origin again.
    void Apaga();

    // ---- Receipts ----
    Filtro filtro() const { return m_filtro; }
    void defineFiltro(Filtro filtro) { m_filtro = filtro; }
    const ListaRecibos &ListaComprovantes();
    const ListaRecibos &comprovantes() const { return m_recibos; }
    void SelecionaComprovante(int indice);

    // Print, before the preview: the values of the selected receipt, or
    // nothing (after the message "Selecione um comprovante para a
    // impressão.") when its file is gone. Updates the declaration key.
    std::optional<Recibo> PreparaImpressao();
    // Print, after the preview: ".cmp" becomes ".old"; the list is refreshed.
    void ConcluiImpressao();
    // Delete, after the user said Yes: the file goes (a failure is ignored).
    void ExcluiComprovante();
    // Fetch: asks the server for the receipt of an earlier delivery and
    // stores it. True when a receipt was stored.
    bool BuscaRecibo(const QString &inscricao, const QString &exercicioProtocolo, QString *comprovante = nullptr);

private:
    // A wait that ended without a reply: the time-limit box, or the box
    // saying the server closed first.
    void avisaEspera(const ResultadoTroca &troca);
    // Stores a receipt; false when it could not be, after the error box
    // (or with the reason in *erro, when given, and no box).
    bool grava(const QString &registro, QString *arquivo, QString *erro = nullptr);

    QString m_pastaCliente;
    Dialogos &m_dialogos;
    Endereco m_endereco;
    Limites m_limites;
    // How many 512-byte blocks go to the socket in one call.
    static constexpr int kBlocosPorEnvio = 128;
    Acompanha m_acompanha;

    QString m_origem;
    QStringList m_arquivos, m_linhas;
    QString m_arquivoSelecionado, m_pastaSelecao, m_arquivoDados, m_erroExtracao;
    ChaveDeclaracao m_chave;

    Filtro m_filtro = Filtro::Novos;
    ListaRecibos m_recibos;
    QString m_comprovanteSelecionado;
};

} // namespace orva::cliente
