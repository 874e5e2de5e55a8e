#pragma once
#include "registronota.h"
#include "core/db/statement.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>


// Validation and import of an invoice record file under one open invoice
// protocol, free of widgets: the import window and orva-cli run these same
// passes. Both passes read the file one line at a time.
namespace orva::importacao {

// The open invoice protocol a file is imported under.
struct Protocolo {
    QString numero; // as given
    QString exercicio;
    QString inscricao;
    QString tipoEntrega;
};

// One error of a report as data: which line, which record, which field.
struct ErroRegistro {
    int linha = 0;      // line of the file, from 1
    QString inscricao;  // the record's key as cut: registration, invoice number, type
    QString notaFiscal;
    QString tipo;
    QString campo;      // the field checked ("registro" for the record as a whole)
    int inicio = 1;     // its positions in the line, from 1
    int largura = 0;
    QString mensagem;   // as the report writes it
    QString texto;      // the offending text
    QString conteudo;   // the line itself (its first 200 characters)
};

// The field a check of the validation pass looks at, by check (0 to 11).
struct CampoVerificado {
    const char *nome;
    int inicio;
    int largura;
};
const CampoVerificado &campoDaVerificacao(int verificacao);

// What a pass tells whoever shows it. Every member may be left empty.
struct Acompanhamento {
    // The number of lines of the file, counted before the pass.
    std::function<void(int total)> inicio;
    // After each line is read (and once more at the end of the file): the
    // records processed so far and the error count. The window repaints
    // here and lets the user's input through.
    std::function<void(int processados, int erros)> andamento;
    // Looked at once per record; true ends the pass.
    std::function<bool()> cancelado;
    // Each entry appended to the report. An entry may span several lines.
    std::function<void(const QString &entrada)> relatorio;
    // Each error of the report, as data (a record of three failed checks
    // gives three).
    std::function<void(const ErroRegistro &erro)> erro;
};

// What the validation pass read: the import pass proves each line is the
// one validated before it writes it, and refuses a file of another size.
struct ImpressaoArquivo {
    bool lida = false; // a whole validation pass filled it
    qint64 tamanho = 0; // of the file, after the pass
    std::vector<size_t> linhas; // a hash of each line
};

struct Resultado {
    int processados = 0;
    int erros = 0;      // the total error count of the pass
    int importados = 0; // records written by the import pass
    int existentes = 0; // records of the import pass already in the database
    bool cancelado = false;
    QStringList diagnostico; // what is wrong with the file as a whole (validation pass)
    ImpressaoArquivo impressao; // validation pass
};

// The import pass stopped: `parcial` counts the lines it read and the
// records that stay written (committed).
class ImportacaoInterrompida : public orva::db::DatabaseError {
public:
    ImportacaoInterrompida(const QString &mensagem, orva::db::Causa causa, const Resultado &parcial)
        : orva::db::DatabaseError(mensagem, causa), m_parcial(parcial) {}
    const Resultado &parcial() const { return m_parcial; }

private:
    Resultado m_parcial;
};

// The twelve field checks of one record.
class Verificacao {
public:
    static constexpr int Verificacoes = 12;
    using Mensagens = std::array<QString, Verificacoes>;
    // The declarant's company name, or "Não Cadastrado", for a registration.
    using BuscaEmpresa = std::function<QString(const QString &inscricao)>;

    Verificacao(QString inscricao, QString exercicio, BuscaEmpresa buscaEmpresa);

    // One message slot per check, in check order; empty where the check
    // passed. A line of the wrong length fills only the first slot.
    Mensagens verifica(const RegistroNota &registro);

private:
    QString verificaDeclarante(const QString &v);
    QString verificaExercicio(const QString &v) const;
    QString verificaTipoEntrada(const QString &v) const;
    QString verificaTipoEmitente(const QString &v, const QString &tipo) const;
    QString verificaNotaFiscal(const QString &v) const;
    QString verificaDataEmissao(const QString &d) const;
    QString verificaValorNota(const QString &v) const;
    QString verificaNotaOrigem(const QString &v) const;
    QString verificaTipoNotaOrigem(const QString &v) const;
    QString verificaValorNotaOrigem(const QString &v, const QString &w) const;

    QString m_inscricao;
    QString m_exercicio;
    BuscaEmpresa m_buscaEmpresa;
    // The declarant's checks give one answer per registration: the lookup
    // runs once per pass, not once per record.
    QString m_declaranteVerificado;
    QString m_mensagemDeclarante;
    bool m_declaranteConhecido = false;
};

// The checks of a municipality field (3 and 19): empty when it passes.
QString verificaMunicipio(const QString &v);

// The report block of a faulty record in the validation pass.
QStringList blocoValidacao(const QString &linha, int processados, const Verificacao::Mensagens &mensagens);
// The report block of a record the import pass could not write.
QStringList blocoImportacao(const QString &linha, const QString &mensagem);
// The summaries that close a report with errors.
QStringList resumoValidacao(int processados, int erros);
// A count of records already in the database adds a line when not zero.
QStringList resumoImportacao(int processados, int erros, int existentes = 0);

// The length message of a line that is not 116 characters long.
QString mensagemTamanho(qint64 tamanho);

// Texts the window and orva-cli share.
QString mensagemProtocoloInvalido();
QString mensagemErrosValidacao();
QString mensagemErrosImportacao();
QString mensagemFalhaRegistro();
QString mensagemSemErros();

class Importador {
public:
    explicit Importador(orva::db::Connection &conexao);
    ~Importador();
    Importador(const Importador &) = delete;
    Importador &operator=(const Importador &) = delete;

    // The untransmitted invoice protocol with this number, or nothing (also
    // for a number that is not made of digits only).
    std::optional<Protocolo> VerificaProtocolo(const QString &numero);

    // The company name of a declarant registered for invoices, or "Não
    // Cadastrado"; a database failure is raised.
    QString empresaDeNotas(const QString &inscricao);

    // Runs every check on every record and reports the faulty ones; writes
    // nothing. `inscricao` and `exercicio` are the protocol's.
    Resultado ValidaArquivo(const QString &arquivo, const QString &inscricao, const QString &exercicio,
                            const Acompanhamento &acompanhamento = {});

    // Inserts every record under `protocolo`. Each record is written or
    // refused on its own; records written stay when others fail or the pass
    // is cancelled. The writes are grouped in transactions; a refused
    // record's insert is undone alone. Each transaction first checks that the
    // protocol is still open. Given `validado`, a file of another size is
    // refused and a line that is not the one validated stops the pass before
    // it is written. A stop raises ImportacaoInterrompida.
    Resultado ImportaArquivo(const QString &arquivo, const QString &protocolo,
                             const Acompanhamento &acompanhamento = {}, const ImpressaoArquivo *validado = nullptr);

    // Inserts one record; false (with nothing written) when it is not 116
    // characters long, a value does not convert or the database refuses it.
    bool ImportaRegistro(const RegistroNota &registro, const QString &protocolo);

    // Refuses, with the message to show, a path that is not a regular file
    // and a database that is damaged: checked before every pass.
    void VerificaEntrada(const QString &arquivo);

    // Records of an import pass written per transaction.
    void defineRegistrosPorTransacao(int registros) { m_porTransacao = std::max(1, registros); }

private:
    class Insercao;
    Insercao &insercao();
    // Why the database refused a record; `existente` when it is already stored.
    struct Recusa {
        QString motivo;
        bool existente = false;
    };
    bool importa(const RegistroNota &registro, const QString &protocolo, bool emTransacao, Recusa *recusa = nullptr);
    Recusa motivoRecusa(const RegistroNota &registro, orva::db::PreparedStatement::Outcome fim, const QString &texto);

    bool protocoloAberto(const QString &protocolo);

    orva::db::Connection &m_conexao;
    std::unique_ptr<Insercao> m_insercao;
    int m_porTransacao = 20000;
    // At most this many on a server database.
    static constexpr int kPorTransacaoServidor = 5000;
};

} // namespace orva::importacao
