#pragma once
#include <QString>

// Several server processes may share one data folder. Each receives into a
// folder of its own under "recebendo", locked while the process runs; what a
// process that stopped left there is removed by the next one to start.
namespace orva::servidor {

class PastaRecebimento {
public:
    PastaRecebimento() = default;
    ~PastaRecebimento();
    PastaRecebimento(const PastaRecebimento &) = delete;
    PastaRecebimento &operator=(const PastaRecebimento &) = delete;

    // Clears what stopped processes left under `recebendo` and makes this
    // process's folder there. False with *erro.
    bool abre(const QString &recebendo, QString *erro);
    // This process's folder: archives being received, files being written.
    const QString &caminho() const { return m_caminho; }

private:
    QString m_caminho;
    int m_trava = -1; // the folder's lock file, locked while the process runs
};

} // namespace orva::servidor
