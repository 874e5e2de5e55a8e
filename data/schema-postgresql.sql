-- What a PostgreSQL database needs before schema.sql (translated by
-- esquemaParaPostgres) and reference.sql: run once on an empty UTF8 database.
--
-- Text columns become TEXTO: citext, so = , LIKE, keys and ordering ignore letter
-- case, accented letters included ("ção" equals "ÇÃO"), while accents still
-- count ("PAO" is not "PÃO"), as on the embedded database. Its collation
-- folds case by Unicode whatever the database's own locale: C.UTF-8 (code
-- point order, as the embedded database sorts) where the server has it,
-- ICU's root locale otherwise. Amounts become DOUBLE PRECISION (the embedded
-- database's REAL); dates stay DATE.

CREATE EXTENSION IF NOT EXISTS citext;

DO $$
BEGIN
    CREATE COLLATION orva_texto (provider = libc, locale = 'C.UTF-8');
EXCEPTION WHEN others THEN
    CREATE COLLATION orva_texto (provider = icu, locale = 'und');
END
$$;

CREATE DOMAIN TEXTO AS citext COLLATE orva_texto;
