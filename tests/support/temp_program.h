#pragma once
#include "core/shell/dtmdados.h"
#include "ui/shell/funcoes.h"
#include "core/shell/instalacao.h"

#include <QTemporaryDir>

#include <memory>

// A fresh program folder with a new orva.mdb, opened by a data module that
// the shared routines use for the lifetime of the object.
class TempProgram {
public:
    TempProgram()
    {
        orva::install::createProgramFolder(dir.path());
        Funcoes::DefineDiretorioSistema(dir.path());
        dados = std::make_unique<TdtmDados>();
        dados->DataModuleCreate();
        dtmDados = dados.get();
    }
    ~TempProgram()
    {
        if (dtmDados == dados.get())
            dtmDados = nullptr;
        Funcoes::DefineDiretorioSistema(QString());
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    orva::db::Connection &connection() { return dados->ADOConnection; }

    QTemporaryDir dir;
    std::unique_ptr<TdtmDados> dados;
};
