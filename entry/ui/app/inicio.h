#pragma once
#include <QString>

#include <memory>

class TfrmPrincipal;
class TdtmDados;
class TfrmConsulta;

// The long-lived objects of the entry program, in their creation order.
struct ObjetosPrograma {
    std::unique_ptr<TfrmPrincipal> frmPrincipal;
    std::unique_ptr<TfrmConsulta> frmConsulta;
    std::unique_ptr<TdtmDados> dados;
    ~ObjetosPrograma();
};

// Start-up before the event loop: the date-format check (its message shown,
// nothing created, when the program must end), then the main window and the
// data module, whose failure to open the database is shown and passed over.
// Returns null when the program must end. The format is the system's short
// date format unless a test gives another.
std::unique_ptr<ObjetosPrograma> IniciaPrograma();
std::unique_ptr<ObjetosPrograma> IniciaPrograma(const QString &formatoData);
