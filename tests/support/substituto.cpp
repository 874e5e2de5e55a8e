// A stand-in for a program that ORVA starts and waits for (the delivery
// client, an archiver): it writes its working folder and its arguments to
// saida.txt there, then does what its environment asks and ends.
//   ORVA_SUBSTITUTO_PAUSA=ms     waits that long first
//   ORVA_SUBSTITUTO_ESPERA=name  waits up to 5 s for the file `name`, then
//                                writes "visto" or "esgotado" to the file "fim"
//   ORVA_SUBSTITUTO_SAIDA=code   its exit code
// A real program rather than a script, so the same test runs on Windows.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {
int numero(const char *nome)
{
    const char *valor = std::getenv(nome);
    return valor ? std::atoi(valor) : 0;
}
}

int main(int argc, char **argv)
{
    namespace fs = std::filesystem;
    std::this_thread::sleep_for(std::chrono::milliseconds(numero("ORVA_SUBSTITUTO_PAUSA")));
    {
        std::ofstream saida("saida.txt", std::ios::binary);
        saida << fs::current_path().generic_string() << '\n';
        for (int i = 1; i < argc; ++i)
            saida << '[' << argv[i] << "]\n";
    }
    if (const char *sinal = std::getenv("ORVA_SUBSTITUTO_ESPERA")) {
        bool visto = false;
        for (int i = 0; i < 100 && !(visto = fs::exists(sinal)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ofstream("fim", std::ios::binary) << (visto ? "visto\n" : "esgotado\n");
    }
    return numero("ORVA_SUBSTITUTO_SAIDA");
}
