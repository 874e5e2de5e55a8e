#pragma once
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

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
    // With --json, the command wrote its own object on stdout (validate and
    // import reports): main() prints nothing more.
    void objetoProprio() { m_objetoProprio = true; }

    // Ends the answer with the exit status; returns it.
    int termina(int saida);

private:
    QString m_comando;
    bool m_json = false;
    bool m_objetoProprio = false;
    QJsonArray m_mensagens;
    QJsonObject m_resultado;
};

} // namespace orva::cli
