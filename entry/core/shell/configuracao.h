#pragma once
#include <QString>

// The entry program's own settings file, Orva.ini in the program folder.
// Without it (or without a key) the program behaves as shipped.
//
//   [MENU]
//   NotasFiscais=1   "&Notas Fiscais" in "&Lançamentos": the invoice entry window
//   Produtos=1       "P&rodutos" in "&Cadastros": the product code table
//   Importacao=1     "&Importação" in "&Cadastros": the import window
//
//   [Banco]
//   Servidor=host=servidor.escritorio dbname=orva user=ana
//                    a PostgreSQL database shared by several workstations,
//                    instead of orva.mdb in the program folder. The password
//                    comes from ~/.pgpass or PGPASSWORD, never from this file.
namespace orva::configuracao {

struct Menus {
    bool notasFiscais = false;
    bool produtos = false;
    bool importacao = false;
};

// The menu settings of the settings file in `pasta`; an unreadable file
// counts as absent.
Menus lerMenus(const QString &pasta);

// The connection string of [Banco] Servidor in `pasta`'s settings file;
// empty text for the embedded orva.mdb.
QString lerServidorBanco(const QString &pasta);

QString nomeArquivo(); // "Orva.ini"

} // namespace orva::configuracao
