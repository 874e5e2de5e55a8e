#pragma once
#include <QString>

class QWidget;
class QFocusEvent;

namespace orva {
class Error;
}

// The shared routines every window of the entry program uses.
namespace Funcoes {

// The support contact shown under every unhandled error.
extern QString SuporteTecnico;

// What the search window hands back to its caller.
extern QString RetornoCodigo;
extern QString RetornoDescricao;
extern QString RetornoExtra;

// The program folder, with a trailing "/". The folder of the running
// executable unless set (orva-cli --dir, tests); on an installed system,
// where that folder is not writable, the per-user one (~/.local/share/orva).
QString DiretorioSistema();
void DefineDiretorioSistema(const QString &folder);

// Description of a code; "Não Cadastrado" when absent or empty, empty text
// (after an error box) when the database fails.
QString BuscaDescricao(const QString &tabela, const QString &campoChave, const QString &valor,
                       const QString &campoDescricao);
QString BuscaDescricaoChaves(const QString &tabela, const QString &campoChave1, const QString &valor1,
                             const QString &campoChave2, const QString &valor2, const QString &campoDescricao);
// Largest code plus one; "1" for an empty table; empty text after an error box.
QString ProximoCodigo(const QString &tabela, const QString &campo);

QString ZerosEsquerda(const QString &texto, int tamanho);
QString EspacosDireita(const QString &texto, int tamanho);
QString RetiraPontuacao(const QString &texto);
QString SoNumeros(const QString &texto);
// True when the text is not empty and holds only the digits 0 to 9.
bool SoDigitos(const QString &texto);

bool ValidaNumero(const QString &texto);
bool ValidaInteiro(const QString &texto);
bool ValidaData(const QString &texto);

// Number of lines of a text file; raises orva::Error when it cannot be read.
int ContaLinhas(const QString &arquivo);

// Clears the window's edits, combo selections and description labels.
void LimpaCampos(QWidget *janela);
// Hint of the first empty required field (tag 1), or empty text.
QString VerificaCampos(QWidget *janela);

// Checks the system short date format; shows the message and returns false
// when it is not DD/MM/YYYY.
bool VerificaFormatoData();
bool VerificaFormatoData(const QString &formatoCurto);

// The text of the unhandled-error box: message, blank line, support line.
QString MensagemSuporte(const QString &mensagem);
// Shows an unhandled error with the support line.
void TrataExcecao(const orva::Error &erro);
void TrataExcecao(const std::exception &erro);

// Check digits.
bool ValidaCnpjCpf(const QString &texto);
// Raises orva::Error when a weighted character is not a digit.
bool ValidaInscricao(const QString &texto);

} // namespace Funcoes
