#pragma once
#include <QString>

#include <optional>

namespace orva::db {
class Command;
}

namespace orva::stores {

// Refusals of a save whose row another program (another workstation, or
// orva-cli) changed after it was read here: the other's work is kept and the
// user keeps what they typed.
inline const QString kAlteradoPorOutro = QStringLiteral(
    "Este registro foi alterado ou apagado por outro usuário (outra estação ou o orva-cli) depois que foi lido "
    "aqui: nada foi gravado, para não desfazer o que o outro gravou.\n"
    "Os dados digitados continuam na tela: anote-os, carregue o registro de novo e repita a alteração.");
inline const QString kIncluidoPorOutro = QStringLiteral(
    "Outro usuário (outra estação ou o orva-cli) gravou um registro com esta mesma chave depois que ela foi lida "
    "aqui: nada foi gravado, para não substituir o registro dele.\n"
    "Os dados digitados continuam na tela: anote-os, carregue o registro de novo e repita a alteração.");

// The row of one key as it was read before the user edited it (nothing when
// the key had no row). A save of that key compares the row stored now with
// it under the write lock, so what another program committed in between is
// reported instead of overwritten. A key never read is saved as it stands.
template <typename Linha>
class Leitura {
public:
    void lembra(const QString &chave, const std::optional<Linha> &linha)
    {
        // The proposed key read again and still free stays a proposal.
        if (linha || chave != m_proposta)
            m_proposta.clear();
        m_chave = chave;
        m_linha = linha;
        m_leu = true;
    }

    // A free key "Novo" proposed: read as absent, and a save that finds it
    // taken meanwhile may take the next free one instead of refusing.
    void propoe(const QString &chave)
    {
        lembra(chave, std::nullopt);
        m_proposta = chave;
    }
    bool proposta(const QString &chave) const { return !m_proposta.isEmpty() && chave == m_proposta; }

    // The refusal when `chave` was read and its row is no longer as read;
    // empty text otherwise.
    QString recusa(const QString &chave, const std::optional<Linha> &agora) const
    {
        if (!m_leu || chave != m_chave || agora == m_linha)
            return QString();
        return m_linha ? kAlteradoPorOutro : kIncluidoPorOutro;
    }

private:
    bool m_leu = false;
    QString m_chave;
    std::optional<Linha> m_linha;
    QString m_proposta;
};

// Runs a write: the rows it changed, or nothing when the database refused it
// for a duplicate key (a row another program inserted without taking the
// write lock first). Any other failure is raised.
std::optional<int> executaSemDuplicar(db::Command &comando);

} // namespace orva::stores
