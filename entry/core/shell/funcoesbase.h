#pragma once
#include <QString>

#include <exception>

namespace orva {
class Error;
}

// The shared routines that need no window and no data module: the program
// folder, text filling, conversion checks and the error text. The windows
// include funcoes.h, which adds the lookups and the window routines.
namespace Funcoes {

// The support contact shown under every unhandled error.
extern QString SuporteTecnico;

// The program folder, with a trailing "/". The folder of the running
// executable unless set (orva-cli --dir, tests); on an installed system,
// where that folder is not writable, the per-user one (~/.local/share/orva).
QString DiretorioSistema();
void DefineDiretorioSistema(const QString &folder);

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

// Checks the system short date format; shows the message and returns false
// when it is not DD/MM/YYYY.
bool VerificaFormatoData();
bool VerificaFormatoData(const QString &formatoCurto);

// The text of the unhandled-error box: message, blank line, support line.
QString MensagemSuporte(const QString &mensagem);
// Shows an unhandled error with the support line.
void TrataExcecao(const orva::Error &erro);
void TrataExcecao(const std::exception &erro);

} // namespace Funcoes
