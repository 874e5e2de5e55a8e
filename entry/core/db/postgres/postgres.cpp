#include "postgres.h"

#include "core/db/connection.h"
#include "core/db/parameters.h"

#include "common/plataforma/soquete.h"

#include <QFile>
#include <QRegularExpression>

#include <libpq-fe.h>

#include <chrono>
#include <cstdlib>

namespace orva::db::pg {
namespace {

// Type numbers of the server's built-in types (pg_type.oid).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kNumeric = 1700, kDate = 1082;

bool inteiro(Oid tipo) { return tipo == kInt8 || tipo == kInt2 || tipo == kInt4 || tipo == kOid || tipo == kBool; }

// A numeric value: whole when it has no fraction (Sum of whole numbers).
bool numericoInteiro(const char *texto)
{
    for (const char *c = texto; *c; ++c)
        if (*c == '.' || *c == 'e' || *c == 'E' || *c == 'N' || *c == 'I')
            return false;
    return true;
}

// The server writes numbers with a point whatever the program's locale.
double realDe(const char *texto) { return QByteArrayView(texto).toDouble(); }

qint64 inteiroDe(const char *texto, Oid tipo)
{
    if (tipo == kBool)
        return texto[0] == 't' ? 1 : 0;
    return std::strtoll(texto, nullptr, 10);
}

Causa causaDoEstado(const QByteArray &estado)
{
    if (estado == "23505")
        return Causa::ChaveDuplicada;
    if (estado == "55P03" || estado == "40001" || estado == "40P01" || estado == "57014" || estado == "55006")
        return Causa::EmUso;
    if (estado == "25006" || estado == "42501")
        return Causa::SomenteLeitura;
    if (estado == "53100")
        return Causa::DiscoCheio;
    if (estado == "XX001" || estado == "XX002")
        return Causa::Danificado;
    // 57P01-57P03: the server ended the session (shut down, restarted).
    if (estado.startsWith("08") || estado.startsWith("57P") || estado == "3D000" || estado == "28000"
        || estado == "28P01")
        return Causa::NaoEncontrado;
    if (estado == "58030" || estado.startsWith("53"))
        return Causa::Disco;
    return Causa::Outra;
}

// "tabela: colunas" of a duplicate key, from the detail "Key (a, b)=(1, 2) already exists."
QString chaveDuplicada(const pg_result *r)
{
    const QString tabela = QString::fromUtf8(PQresultErrorField(r, PG_DIAG_TABLE_NAME));
    const QString detalhe = QString::fromUtf8(PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL));
    const qsizetype abre = detalhe.indexOf(QLatin1Char('('));
    const qsizetype fecha = detalhe.indexOf(QLatin1Char(')'), abre);
    const QString colunas = abre >= 0 && fecha > abre ? detalhe.mid(abre + 1, fecha - abre - 1) : QString();
    return tabela + QStringLiteral(": ") + colunas;
}

} // namespace

void LiberaResultado::operator()(pg_result *r) const { PQclear(r); }

MotorPostgres &motorDe(Connection &conexao)
{
    Driver &motor = conexao.motor();
    if (!motor.remoto())
        throw DatabaseError(QStringLiteral("Esta operação só existe para o banco de dados no servidor, não para o "
                                           "arquivo orva.mdb."));
    return static_cast<MotorPostgres &>(motor);
}

pg_conn *handle(Connection &conexao) { return motorDe(conexao).handle(); }

Valores valores(const Parameters &parametros, const QStringList &nomes)
{
    Valores v;
    v.reserve(static_cast<size_t>(nomes.size()));
    for (const QString &nome : nomes) {
        const Parameter *p = parametros.find(nome);
        if (!p || !p->assigned())
            throw DatabaseError(QStringLiteral("Nenhum valor foi dado ao parâmetro %1.").arg(nome));
        const QVariant &valor = p->value();
        if (valor.isNull())
            v.emplace_back();
        else if (valor.typeId() == QMetaType::LongLong)
            v.emplace_back(QByteArray::number(valor.toLongLong()));
        else if (valor.typeId() == QMetaType::Double)
            v.emplace_back(QByteArray::number(valor.toDouble(), 'g', 17));
        else
            v.emplace_back(valor.toString().toUtf8());
    }
    return v;
}

DatabaseError falha(pg_conn *conexao, const pg_result *r)
{
    const QByteArray estado = r ? QByteArray(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : QByteArray();
    QString texto = r ? QString::fromUtf8(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY)) : QString();
    if (texto.isEmpty())
        texto = QString::fromUtf8(conexao ? PQerrorMessage(conexao) : "sem conexão").trimmed();
    Causa causa = causaDoEstado(estado);
    if (estado.isEmpty() && conexao && PQstatus(conexao) != CONNECTION_OK)
        causa = Causa::NaoEncontrado;
    if (causa == Causa::ChaveDuplicada)
        texto = chaveDuplicada(r);
    // What the sentences for a file would say wrongly of a server.
    switch (causa) {
    case Causa::NaoEncontrado:
        return DatabaseError(QStringLiteral("A conexão com o servidor PostgreSQL foi perdida ou recusada: confira a rede, "
                                            "se o servidor está no ar e a conexão configurada, e tente novamente. O que "
                                            "não foi confirmado não foi gravado."),
                             causa);
    case Causa::SomenteLeitura:
        return DatabaseError(QStringLiteral("O usuário do banco de dados no servidor PostgreSQL não tem permissão para "
                                            "esta operação: peça ao administrador do servidor que conceda as permissões "
                                            "às tabelas do Orva."),
                             causa);
    case Causa::DiscoCheio:
        return DatabaseError(QStringLiteral("O disco do servidor PostgreSQL está cheio: peça ao administrador do "
                                            "servidor que libere espaço, e tente novamente."),
                             causa);
    default: break;
    }
    return db::falha(causa, texto);
}

namespace {

using Relogio = std::chrono::steady_clock;

Relogio::time_point prazo(const Connection &conexao)
{
    return Relogio::now() + std::chrono::milliseconds(conexao.serverReplyTimeout());
}

// The server did not answer by the deadline: the connection is given up.
[[noreturn]] void esgotado(Connection &conexao)
{
    const int segundos = (conexao.serverReplyTimeout() + 999) / 1000;
    conexao.close();
    throw DatabaseError(QStringLiteral("O servidor PostgreSQL não respondeu em %1 segundos. A conexão foi "
                                       "encerrada e a operação em andamento não foi confirmada: confira a rede "
                                       "e o servidor e abra o programa de novo.")
                            .arg(segundos),
                        Causa::NaoEncontrado);
}

plataforma::Soquete soqueteDe(pg_conn *c)
{
    // PQsocket() gives Windows' SOCKET as an int.
    return static_cast<plataforma::Soquete>(PQsocket(c));
}

// Waits, in short turns, until the socket takes more bytes; what the server
// sends meanwhile is read, so neither side waits for the other. The
// deadline is checked on every turn. False: the connection failed.
bool esperaEscrita(Connection &conexao, Relogio::time_point limite)
{
    pg_conn *c = handle(conexao);
    const auto falta = std::chrono::duration_cast<std::chrono::milliseconds>(limite - Relogio::now());
    if (falta.count() <= 0)
        esgotado(conexao);
    const int rc = plataforma::espera(soqueteDe(c), plataforma::Evento::Escrita,
                                      std::min(falta, std::chrono::milliseconds(200)));
    if (rc < 0 && !plataforma::interrompida(plataforma::ultimoErro()))
        return false;
    return rc > 0 || PQconsumeInput(c) == 1;
}

// Hands the server what libpq holds for it (the connection never blocks).
bool descarrega(Connection &conexao, Relogio::time_point limite)
{
    pg_conn *c = handle(conexao);
    for (;;) {
        const int rc = PQflush(c);
        if (rc <= 0)
            return rc == 0;
        if (!esperaEscrita(conexao, limite))
            return false;
    }
}

} // namespace

bool enviaCopia(Connection &conexao, const char *dados, int tamanho)
{
    pg_conn *c = handle(conexao);
    const auto limite = prazo(conexao);
    for (;;) {
        const int rc = PQputCopyData(c, dados, tamanho);
        if (rc == 1)
            return descarrega(conexao, limite);
        if (rc < 0 || !esperaEscrita(conexao, limite))
            return false;
    }
}

bool terminaCopia(Connection &conexao, const char *erro)
{
    pg_conn *c = handle(conexao);
    const auto limite = prazo(conexao);
    for (;;) {
        const int rc = PQputCopyEnd(c, erro);
        if (rc == 1)
            return descarrega(conexao, limite);
        if (rc < 0 || !esperaEscrita(conexao, limite))
            return false;
    }
}

Resultado resposta(Connection &conexao, bool enviado)
{
    pg_conn *c = handle(conexao);
    if (!enviado)
        return Resultado(); // the caller reports the connection's error
    const auto limite = prazo(conexao);
    // What was sent may still wait in libpq's buffer: it goes out first.
    if (!descarrega(conexao, limite))
        return Resultado(PQgetResult(c));
    Resultado ultimo;
    for (;;) {
        while (PQisBusy(c)) {
            const auto falta = std::chrono::duration_cast<std::chrono::milliseconds>(limite - Relogio::now());
            const int rc = falta.count() > 0 ? plataforma::espera(soqueteDe(c), plataforma::Evento::Leitura, falta) : 0;
            if (rc < 0 && plataforma::interrompida(plataforma::ultimoErro()))
                continue;
            if (rc == 0)
                esgotado(conexao);
            if (rc < 0 || !PQconsumeInput(c))
                break; // the connection failed: PQgetResult says so
        }
        Resultado r(PQgetResult(c));
        if (!r)
            return ultimo;
        const ExecStatusType estado = PQresultStatus(r.get());
        if (estado == PGRES_COPY_IN || estado == PGRES_COPY_OUT || estado == PGRES_COPY_BOTH)
            return r; // the caller goes on with the copy
        ultimo = std::move(r);
        if (PQstatus(c) == CONNECTION_BAD)
            return ultimo;
    }
}

void acrescentaTextoCopia(QByteArray &linha, const char *texto, qsizetype tamanho)
{
    qsizetype simples = 0; // bytes not yet copied
    for (qsizetype i = 0; i < tamanho; ++i) {
        const char c = texto[i];
        const char *escape = c == '\\' ? "\\\\" : c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
        if (!escape)
            continue;
        linha.append(texto + simples, i - simples);
        linha.append(escape, 2);
        simples = i + 1;
    }
    linha.append(texto + simples, tamanho - simples);
}

Resultado executa(Connection &conexao, const QString &sql, const Valores &v)
{
    pg_conn *c = handle(conexao);
    const QByteArray texto = sql.toUtf8();
    std::vector<const char *> ponteiros;
    ponteiros.reserve(v.size());
    for (const auto &valor : v)
        ponteiros.push_back(valor ? valor->constData() : nullptr);
    const bool emTransacao = PQtransactionStatus(c) != PQTRANS_IDLE;
    Resultado r = resposta(conexao, PQsendQueryParams(c, texto.constData(), static_cast<int>(ponteiros.size()), nullptr,
                                                      ponteiros.data(), nullptr, nullptr, 0));
    if (!emTransacao && PQtransactionStatus(c) != PQTRANS_IDLE)
        motorDe(conexao).novaTransacao();
    const ExecStatusType estado = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (estado != PGRES_COMMAND_OK && estado != PGRES_TUPLES_OK)
        throw falha(c, r.get());
    return r;
}

void executaRoteiro(Connection &conexao, const QString &sql)
{
    pg_conn *c = handle(conexao);
    const bool emTransacao = PQtransactionStatus(c) != PQTRANS_IDLE;
    Resultado r = resposta(conexao, PQsendQuery(c, sql.toUtf8().constData()));
    const bool comecou = !emTransacao && PQtransactionStatus(c) != PQTRANS_IDLE;
    if (comecou)
        motorDe(conexao).novaTransacao();
    const ExecStatusType estado = r ? PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
    if (estado != PGRES_COMMAND_OK && estado != PGRES_TUPLES_OK && estado != PGRES_EMPTY_QUERY) {
        const DatabaseError erro = falha(c, r.get());
        // A script that fails leaves no transaction it began ("begin" and a
        // lock that was not granted).
        if (comecou)
            resposta(conexao, PQsendQuery(c, "rollback"));
        throw erro;
    }
}

QVariant valor(const pg_result *r, int linha, int coluna)
{
    if (PQgetisnull(r, linha, coluna))
        return QVariant();
    const char *texto = PQgetvalue(r, linha, coluna);
    const Oid tipo = PQftype(r, coluna);
    if (inteiro(tipo) || (tipo == kNumeric && numericoInteiro(texto)))
        return QVariant(inteiroDe(texto, tipo));
    if (tipo == kFloat4 || tipo == kFloat8 || tipo == kNumeric)
        return QVariant(realDe(texto));
    return QVariant(QString::fromUtf8(texto, PQgetlength(r, linha, coluna)));
}

StoredValue valorGuardado(const pg_result *r, int linha, int coluna)
{
    StoredValue v;
    if (PQgetisnull(r, linha, coluna))
        return v;
    const char *texto = PQgetvalue(r, linha, coluna);
    const Oid tipo = PQftype(r, coluna);
    if (inteiro(tipo) || (tipo == kNumeric && numericoInteiro(texto))) {
        v.kind = StoredValue::Kind::Integer;
        v.integer = inteiroDe(texto, tipo);
    } else if (tipo == kFloat4 || tipo == kFloat8 || tipo == kNumeric) {
        v.kind = StoredValue::Kind::Real;
        v.real = realDe(texto);
    } else {
        v.kind = StoredValue::Kind::Text;
        v.text = QByteArrayView(texto, PQgetlength(r, linha, coluna));
    }
    return v;
}

bool colunaData(const pg_result *r, int coluna) { return PQftype(r, coluna) == kDate; }

Grafias grafias(Connection &conexao)
{
    QFile arquivo(QStringLiteral(":/data/schema.sql"));
    if (!arquivo.open(QIODevice::ReadOnly))
        return {};
    // Table or view, then its columns: "    Nome   TIPO ..." or "... AS Nome,".
    static const QRegularExpression relacao(QStringLiteral("^CREATE (?:TABLE|VIEW) (\\w+)"));
    static const QRegularExpression coluna(QStringLiteral("^\\s+(\\w+)\\s+(?:TEXT|INTEGER|REAL|DATE)\\b"));
    static const QRegularExpression apelido(QStringLiteral("\\bAS\\s+(\\w+),?\\s*$"));
    QHash<QString, QHash<QString, QString>> porNome;
    QString atual;
    for (const QString &linha : QString::fromUtf8(arquivo.readAll()).split(QLatin1Char('\n'))) {
        if (const auto m = relacao.match(linha); m.hasMatch()) {
            atual = m.captured(1).toLower();
            continue;
        }
        auto m = coluna.match(linha);
        if (!m.hasMatch())
            m = apelido.match(linha);
        if (m.hasMatch() && !atual.isEmpty())
            porNome[atual].insert(m.captured(1).toLower(), m.captured(1));
    }
    const auto r = executa(conexao, QStringLiteral("select c.oid, c.relname from pg_class c join pg_namespace n on "
                                                   "n.oid = c.relnamespace where n.nspname = current_schema() and "
                                                   "c.relkind in ('r', 'v')"));
    Grafias g;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        const auto nomes = porNome.constFind(QString::fromUtf8(PQgetvalue(r.get(), i, 1)));
        if (nomes != porNome.constEnd())
            g.insert(QByteArray(PQgetvalue(r.get(), i, 0)).toUInt(), *nomes);
    }
    return g;
}

QString nomeDaColuna(const Grafias &grafias, const pg_result *r, int coluna)
{
    const QString nome = QString::fromUtf8(PQfname(r, coluna));
    const auto tabela = grafias.constFind(PQftable(r, coluna));
    return tabela == grafias.constEnd() ? nome : tabela->value(nome, nome);
}

int linhasAlteradas(const pg_result *r) { return std::atoi(PQcmdTuples(const_cast<pg_result *>(r))); }

} // namespace orva::db::pg
