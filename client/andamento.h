#pragma once
#include "conexao.h"

#include <QString>

#include <functional>

// Where a running exchange stands, for whoever shows it, and how a caller
// stops it.
namespace orva::cliente {

struct Andamento {
    enum class Etapa {
        Conectando,  // making the connection
        Enviando,    // the archive's bytes going out
        Aguardando,  // waiting for a reply ("200" or the final one)
    };
    Etapa etapa = Etapa::Conectando;
    bool aposEnvio = false;          // the wait is the one after the archive's bytes
    qint64 enviados = 0, total = 0;  // bytes of the archive
    Relogio::time_point prazo{};     // end of the current connect or reply wait
};

// Called when a stage begins and then at least once a slice (20 ms) while it
// runs; false ends the exchange as cancelled.
using Acompanha = std::function<bool(const Andamento &)>;

// What the window shows: the stage, bytes sent of the total, the seconds
// left of a wait (counted from `agora`).
QString textoAndamento(const Andamento &andamento, Relogio::time_point agora);

// The time left of the sending stage, from the pace since the stage began.
class EstimativaEnvio {
public:
    // Whole seconds left, or -1 until a second of sending tells the pace.
    qint64 segundosRestantes(const Andamento &andamento, Relogio::time_point agora);

private:
    bool m_enviando = false;
    Relogio::time_point m_inicio{};
    qint64 m_base = 0; // bytes sent when the stage began
};
// As textoAndamento, the sending stage with the time left when known.
QString textoAndamento(const Andamento &andamento, Relogio::time_point agora, EstimativaEnvio &estimativa);

// Share of the archive sent, 0 to 1000.
int milesimosEnviados(const Andamento &andamento);

} // namespace orva::cliente
