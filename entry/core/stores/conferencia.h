#pragma once
#include <QString>

#include <vector>

// Checks of values typed for a registration, shared by the stores. The
// windows' fields already refuse what these refuse; orva-cli has no fields,
// so the stores check again with the same messages.
namespace orva::stores {

// One value with the rules of the field it is typed into.
struct Campo {
    QString dica;  // the field's hint: names it in the messages
    QString texto; // as typed
    int largura;   // the field's maximum length
    bool soDigitos = false;
};

// The first refusal among the fields: an empty one first, in their order
// ("Falta o Dados do Campo " + hint), then one too long or with a character
// that is not a digit. Empty text when all pass.
QString confereCampos(const std::vector<Campo> &campos);

// The refusal of a code that its table does not hold.
QString codigoNaoCadastrado(const QString &dica, const QString &codigo, const QString &tabela);

// A value proposed by a store ("Novo"), or the refusal that says why none can be.
struct Proposta {
    QString valor;
    QString recusa;
};

} // namespace orva::stores
