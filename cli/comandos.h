#pragma once
#include <QString>
#include <QMap>
#include <QStringList>

#include <vector>

// The commands of orva-cli. Each lives in a file of its own and registers
// itself with a static Registro; main() finds it by name.
namespace orva::cli {

// Runs a command with the words after its name; returns the exit status.
using Executa = int (*)(const QStringList &argumentos);

struct Comando {
    QString nome;
    QString uso; // one line for --help
    Executa executa;
};

std::vector<Comando> &comandos();

struct Registro {
    Registro(const char *nome, const char *uso, Executa executa);
};

// Prints the message on stderr and returns 1.
int falha(const QString &mensagem);

// Reads the options of a command ("--name value" pairs and flags); refuses
// anything else with a message naming the command's usage.
class Opcoes {
public:
    Opcoes(const QString &comando, const QStringList &argumentos, const QStringList &comValor,
           const QStringList &semValor = {});
    bool valido() const { return m_erro.isEmpty(); }
    const QString &erro() const { return m_erro; }
    bool tem(const QString &nome) const { return m_valores.contains(nome) || m_flags.contains(nome); }
    QString valor(const QString &nome) const { return m_valores.value(nome); }
    const QStringList &posicionais() const { return m_posicionais; }

private:
    QMap<QString, QString> m_valores;
    QStringList m_flags;
    QStringList m_posicionais;
    QString m_erro;
};

} // namespace orva::cli
