#pragma once
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <functional>

// What a command answers. Without --json, messages go to stderr as they come
// and results to stdout as lines of text. With --json, the messages are
// gathered and the command's answer is one JSON object on stdout when it ends:
//   {"comando": "...", "ok": true|false, "saida": N, "mensagens": [...], ...}
// plus the command's own keys ("linhas" for lists, "chave" for saves, ...).
namespace orva::cli {

class Resposta {
public:
    static Resposta &atual();

    // Called by main() before the command runs.
    void inicia(const QString &comando, bool json);
    bool json() const { return m_json; }

    // A message for the user (also every text of the console prompts).
    void mensagem(const QString &texto);
    // A line of the text answer on stdout; ignored with --json.
    void linha(const QString &texto);
    // A key of the JSON answer; ignored without --json.
    void resultado(const QString &chave, const QJsonValue &valor);
    // With --json, the command writes its own object on stdout (validate and
    // import reports) and leaves it open: when the command ends, `fecha` gets
    // the keys of the answer ("comando", "ok", "saida", "mensagens" and the
    // results) to write and close it, instead of a second object.
    using Fechamento = std::function<void(const QJsonObject &chaves)>;
    void objetoProprio(Fechamento fecha) { m_fechamento = std::move(fecha); }

    // Ends the answer with the exit status; returns it.
    int termina(int saida);

private:
    QString m_comando;
    bool m_json = false;
    Fechamento m_fechamento;
    QJsonArray m_mensagens;
    QJsonObject m_resultado;
};

} // namespace orva::cli
