-- Tables and views of orva.mdb. Run once on an empty database, before
-- reference.sql. Text columns use NOCASE, which the program's connection
-- replaces by a comparison that ignores the case of accented letters too. Columns declared DATE
-- hold ISO text (YYYY-MM-DD). Column order matters where the search window
-- and the list reports read columns by position: keep it.

-- Declaring companies. Inscricao first, Razao second.
CREATE TABLE Empresa (
    Inscricao       TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    Razao           TEXT COLLATE NOCASE,
    Cnpj            TEXT COLLATE NOCASE,
    Cnae            TEXT COLLATE NOCASE,
    Tipo_Declara    TEXT COLLATE NOCASE,
    Municipio       TEXT COLLATE NOCASE
);

-- Transmission protocols, one row per declaration. Open while DtTransmissao
-- is null. The totals are only read by the program, hence the defaults.
CREATE TABLE Protocolo (
    Protocolo       INTEGER PRIMARY KEY,
    Tipo_Protocolo  INTEGER,
    Tipo_Entrega    TEXT COLLATE NOCASE,
    Exercicio       TEXT COLLATE NOCASE,
    Inscricao       TEXT COLLATE NOCASE,
    DtGeracao       DATE,
    DtTransmissao   DATE,
    Crc             TEXT COLLATE NOCASE,
    Responsavel     TEXT COLLATE NOCASE,
    Razao           TEXT COLLATE NOCASE,
    Cnpj            TEXT COLLATE NOCASE,
    Municipio       TEXT COLLATE NOCASE,
    Valor_Notas     REAL DEFAULT 0,
    Qtde_Notas      INTEGER DEFAULT 0,
    Valor_Entradas  REAL DEFAULT 0,
    Valor_Saidas    REAL DEFAULT 0,
    Qtde_Municipios INTEGER DEFAULT 0
);

-- Incoming invoices of invoice protocols (Tipo_Protocolo 0).
-- OPERACAO: I = inserted, A = re-declared, E = withdrawn.
CREATE TABLE Notas (
    INSCRICAO            TEXT COLLATE NOCASE NOT NULL,
    EXERCICIO            TEXT COLLATE NOCASE NOT NULL,
    MUNICIPIO            TEXT COLLATE NOCASE NOT NULL,
    NF                   TEXT COLLATE NOCASE NOT NULL,
    DTA_EMIT_NF          DATE,
    TIPO                 TEXT COLLATE NOCASE NOT NULL,
    VALOR_NF             REAL,
    TIPO_EMITENTE        INTEGER,
    NOTA_ORIGEM          TEXT COLLATE NOCASE,
    DTA_NF_ORIGEM        DATE,
    TIPO_EMITENTE_ORIGEM INTEGER,
    EMITENTE_NOTA_ORIGEM TEXT COLLATE NOCASE,
    TIPO_NF_ORIGEM       TEXT COLLATE NOCASE,
    VALOR_NF_ORIGEM      REAL,
    MUNICIPIO_ORIGEM     TEXT COLLATE NOCASE,
    PROTOCOLO            INTEGER,
    OPERACAO             TEXT COLLATE NOCASE,
    PRIMARY KEY (INSCRICAO, EXERCICIO, MUNICIPIO, NF, TIPO)
);

-- Apportionment of entry and exit values by municipality
-- (Tipo_Protocolo 1). OPERACAO as in Notas.
CREATE TABLE Rateio (
    INSCRICAO       TEXT COLLATE NOCASE NOT NULL,
    EXERCICIO       TEXT COLLATE NOCASE NOT NULL,
    MUNICIPIO       TEXT COLLATE NOCASE NOT NULL,
    VALOR_ENTRADA   REAL,
    VALOR_SAIDA     REAL,
    PROTOCOLO       INTEGER,
    OPERACAO        TEXT COLLATE NOCASE,
    PRIMARY KEY (INSCRICAO, EXERCICIO, MUNICIPIO)
);

-- Code tables: code first, description second.
CREATE TABLE Municipios (
    Codigo          TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    Descricao       TEXT COLLATE NOCASE
);

CREATE TABLE CNAE (
    Codigo          TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    Descricao       TEXT COLLATE NOCASE
);

-- "0" invoices, "1" apportionment; also describes Protocolo.Tipo_Protocolo.
CREATE TABLE Tipo_Declara (
    Codigo          TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    Descricao       TEXT COLLATE NOCASE
);

CREATE TABLE Tipo_Entrega (
    Codigo          TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    Descricao       TEXT COLLATE NOCASE
);

CREATE TABLE Tipo_Entrada (
    Codigo          TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    Descricao       TEXT COLLATE NOCASE
);

-- Maintained by the user through the code-table window.
CREATE TABLE Produtos (
    Cod_Prod        INTEGER PRIMARY KEY,
    Descricao       TEXT COLLATE NOCASE
);

-- Producers that issue origin notes. The invoice window searches them by
-- state registration (column 0) or by CPF (column 3) and takes the
-- municipality from Cod_Municipio. CGC_CPF is empty for producers known
-- only by their state registration.
CREATE TABLE Produtor (
    Inscricao       TEXT COLLATE NOCASE NOT NULL PRIMARY KEY,
    Nome            TEXT COLLATE NOCASE,
    Propriedade     TEXT COLLATE NOCASE,
    CGC_CPF         TEXT COLLATE NOCASE,
    Cod_Municipio   TEXT COLLATE NOCASE
);

-- Invoices with the company name. Positions 3 (NF), 5 (TIPO) and
-- 16 (PROTOCOLO) are read by the search window. Plain column references keep
-- the declared DATE type visible through the view.
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
    r.MUNICIPIO || ' - ' || ifnull(m.Descricao, '') AS Municipio,
    r.EXERCICIO                                     AS EXERCICIO,
    r.VALOR_ENTRADA                                 AS VALOR_ENTRADA,
    r.VALOR_SAIDA                                   AS VALOR_SAIDA,
    r.PROTOCOLO                                     AS PROTOCOLO,
    r.OPERACAO                                      AS OPERACAO
FROM Rateio r
LEFT JOIN Empresa e ON e.Inscricao = r.INSCRICAO
LEFT JOIN Municipios m ON m.Codigo = r.MUNICIPIO;
