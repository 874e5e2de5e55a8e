-- Tables and views of orva.mdb on a PostgreSQL server (several
-- workstations on one database): the same tables, columns, keys and column
-- order as schema.sql, run once on an empty UTF8 database before
-- reference.sql.
--
-- Text columns are TEXTO: citext, so = , LIKE, keys and ordering ignore letter
-- case, accented letters included ("ção" equals "ÇÃO"), while accents still
-- count ("PAO" is not "PÃO"), as on the embedded database. Its collation
-- folds case by Unicode whatever the database's own locale: C.UTF-8 (code
-- point order, as the embedded database sorts) where the server has it,
-- ICU's root locale otherwise. Amounts are DOUBLE PRECISION (the embedded
-- database's REAL); dates are DATE.

CREATE EXTENSION IF NOT EXISTS citext;

DO $$
BEGIN
    CREATE COLLATION orva_texto (provider = libc, locale = 'C.UTF-8');
EXCEPTION WHEN others THEN
    CREATE COLLATION orva_texto (provider = icu, locale = 'und');
END
$$;

CREATE DOMAIN TEXTO AS citext COLLATE orva_texto;

-- Declaring companies. Inscricao first, Razao second.
CREATE TABLE Empresa (
    Inscricao       TEXTO NOT NULL PRIMARY KEY,
    Razao           TEXTO,
    Cnpj            TEXTO,
    Cnae            TEXTO,
    Tipo_Declara    TEXTO,
    Municipio       TEXTO
);

-- Transmission protocols, one row per declaration. Open while DtTransmissao
-- is null. The totals are only read by the program, hence the defaults.
CREATE TABLE Protocolo (
    Protocolo       INTEGER PRIMARY KEY,
    Tipo_Protocolo  INTEGER,
    Tipo_Entrega    TEXTO,
    Exercicio       TEXTO,
    Inscricao       TEXTO,
    DtGeracao       DATE,
    DtTransmissao   DATE,
    Crc             TEXTO,
    Responsavel     TEXTO,
    Razao           TEXTO,
    Cnpj            TEXTO,
    Municipio       TEXTO,
    Valor_Notas     DOUBLE PRECISION DEFAULT 0,
    Qtde_Notas      INTEGER DEFAULT 0,
    Valor_Entradas  DOUBLE PRECISION DEFAULT 0,
    Valor_Saidas    DOUBLE PRECISION DEFAULT 0,
    Qtde_Municipios INTEGER DEFAULT 0
);

-- Incoming invoices of invoice protocols (Tipo_Protocolo 0).
-- OPERACAO: I = inserted, A = re-declared, E = withdrawn.
CREATE TABLE Notas (
    INSCRICAO            TEXTO NOT NULL,
    EXERCICIO            TEXTO NOT NULL,
    MUNICIPIO            TEXTO NOT NULL,
    NF                   TEXTO NOT NULL,
    DTA_EMIT_NF          DATE,
    TIPO                 TEXTO NOT NULL,
    VALOR_NF             DOUBLE PRECISION,
    TIPO_EMITENTE        INTEGER,
    NOTA_ORIGEM          TEXTO,
    DTA_NF_ORIGEM        DATE,
    TIPO_EMITENTE_ORIGEM INTEGER,
    EMITENTE_NOTA_ORIGEM TEXTO,
    TIPO_NF_ORIGEM       TEXTO,
    VALOR_NF_ORIGEM      DOUBLE PRECISION,
    MUNICIPIO_ORIGEM     TEXTO,
    PROTOCOLO            INTEGER,
    OPERACAO             TEXTO,
    PRIMARY KEY (INSCRICAO, EXERCICIO, MUNICIPIO, NF, TIPO)
);

-- Apportionment of entry and exit values by municipality
-- (Tipo_Protocolo 1). OPERACAO as in Notas.
CREATE TABLE Rateio (
    INSCRICAO       TEXTO NOT NULL,
    EXERCICIO       TEXTO NOT NULL,
    MUNICIPIO       TEXTO NOT NULL,
    VALOR_ENTRADA   DOUBLE PRECISION,
    VALOR_SAIDA     DOUBLE PRECISION,
    PROTOCOLO       INTEGER,
    OPERACAO        TEXTO,
    PRIMARY KEY (INSCRICAO, EXERCICIO, MUNICIPIO)
);

-- Code tables: code first, description second.
CREATE TABLE Municipios (
    Codigo          TEXTO NOT NULL PRIMARY KEY,
    Descricao       TEXTO
);

CREATE TABLE CNAE (
    Codigo          TEXTO NOT NULL PRIMARY KEY,
    Descricao       TEXTO
);

-- "0" invoices, "1" apportionment; also describes Protocolo.Tipo_Protocolo.
CREATE TABLE Tipo_Declara (
    Codigo          TEXTO NOT NULL PRIMARY KEY,
    Descricao       TEXTO
);

CREATE TABLE Tipo_Entrega (
    Codigo          TEXTO NOT NULL PRIMARY KEY,
    Descricao       TEXTO
);

CREATE TABLE Tipo_Entrada (
    Codigo          TEXTO NOT NULL PRIMARY KEY,
    Descricao       TEXTO
);

-- Maintained by the user through the code-table window.
CREATE TABLE Produtos (
    Cod_Prod        INTEGER PRIMARY KEY,
    Descricao       TEXTO
);

-- Producers that issue origin notes. The invoice window searches them by
-- state registration (column 0) or by CPF (column 3) and takes the
-- municipality from Cod_Municipio. CGC_CPF is empty for producers known
-- only by their state registration.
CREATE TABLE Produtor (
    Inscricao       TEXTO NOT NULL PRIMARY KEY,
    Nome            TEXTO,
    Propriedade     TEXTO,
    CGC_CPF         TEXTO,
    Cod_Municipio   TEXTO
);

-- Invoices with the company name. Positions 3 (NF), 5 (TIPO) and
-- 16 (PROTOCOLO) are read by the search window.
CREATE VIEW vwNotaFiscal AS
SELECT
    n.INSCRICAO            AS INSCRICAO,
    e.Razao                AS RAZAO,
    n.EXERCICIO            AS EXERCICIO,
    n.NF                   AS NF,
    n.MUNICIPIO            AS MUNICIPIO,
    n.TIPO                 AS TIPO,
    n.DTA_EMIT_NF          AS DTA_EMIT_NF,
    n.VALOR_NF             AS VALOR_NF,
    n.TIPO_EMITENTE        AS TIPO_EMITENTE,
    n.NOTA_ORIGEM          AS NOTA_ORIGEM,
    n.DTA_NF_ORIGEM        AS DTA_NF_ORIGEM,
    n.TIPO_EMITENTE_ORIGEM AS TIPO_EMITENTE_ORIGEM,
    n.EMITENTE_NOTA_ORIGEM AS EMITENTE_NOTA_ORIGEM,
    n.TIPO_NF_ORIGEM       AS TIPO_NF_ORIGEM,
    n.VALOR_NF_ORIGEM      AS VALOR_NF_ORIGEM,
    n.MUNICIPIO_ORIGEM     AS MUNICIPIO_ORIGEM,
    n.PROTOCOLO            AS PROTOCOLO,
    n.OPERACAO             AS OPERACAO
FROM Notas n
LEFT JOIN Empresa e ON e.Inscricao = n.INSCRICAO;

-- Apportionment rows with the company name. Municipio starts with the
-- six-digit code (the program keeps only those six characters), followed by
-- the name. Positions 2 (Municipio) and 6 (PROTOCOLO) are read by the
-- search window.
CREATE VIEW vwRateio AS
SELECT
    r.INSCRICAO                                     AS INSCRICAO,
    e.Razao                                         AS RAZAO,
    (r.MUNICIPIO || ' - ' || coalesce(m.Descricao, ''))::TEXTO AS Municipio,
    r.EXERCICIO                                     AS EXERCICIO,
    r.VALOR_ENTRADA                                 AS VALOR_ENTRADA,
    r.VALOR_SAIDA                                   AS VALOR_SAIDA,
    r.PROTOCOLO                                     AS PROTOCOLO,
    r.OPERACAO                                      AS OPERACAO
FROM Rateio r
LEFT JOIN Empresa e ON e.Inscricao = r.INSCRICAO
LEFT JOIN Municipios m ON m.Codigo = r.MUNICIPIO;
