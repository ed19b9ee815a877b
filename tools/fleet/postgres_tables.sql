-- The fleet database in PostgreSQL: the same tables as the SQLite file, an item's fields as
-- jsonb, and version_key() as the fleet program defines it. Run once per database:
--   psql -v ON_ERROR_STOP=1 -f postgres_tables.sql
-- Text sorts by the database's collation; a database made with LC_COLLATE "C" orders every
-- answer exactly as the SQLite file does.
CREATE TABLE IF NOT EXISTS machine (
  machine_id text PRIMARY KEY,
  computer text NOT NULL,
  id_source text NOT NULL
);
CREATE TABLE IF NOT EXISTS scan (
  machine_id text NOT NULL,
  scan_time text NOT NULL,
  level integer NOT NULL,
  file text NOT NULL,
  computer text NOT NULL,
  id_source text NOT NULL,
  PRIMARY KEY (machine_id, scan_time)
);
CREATE TABLE IF NOT EXISTS category_status (
  machine_id text NOT NULL,
  scan_time text NOT NULL,
  category text NOT NULL,
  status text NOT NULL,
  reason text,
  PRIMARY KEY (machine_id, scan_time, category)
);
CREATE TABLE IF NOT EXISTS item_version (
  machine_id text NOT NULL,
  category text NOT NULL,
  item_key text NOT NULL,
  fields_hash text NOT NULL,
  fields jsonb NOT NULL,
  first_seen text NOT NULL,
  last_seen text NOT NULL,
  gone_at text,
  PRIMARY KEY (machine_id, category, item_key, first_seen)
);
CREATE INDEX IF NOT EXISTS item_version_current ON item_version (category, machine_id)
  WHERE gone_at IS NULL;

-- Each run of ASCII digits made 20 long with leading zeros (a longer run keeps its first 20),
-- the rest as it is, compared byte by byte: "10.2" after "9.11".
CREATE OR REPLACE FUNCTION version_key(version text) RETURNS text
LANGUAGE sql IMMUTABLE STRICT AS $$
  SELECT COALESCE(string_agg(CASE WHEN m[1] ~ '^[0-9]' THEN lpad(m[1], 20, '0') ELSE m[1] END,
                             '' ORDER BY n), '') COLLATE "C"
  FROM regexp_matches(version, '[0-9]+|[^0-9]+', 'g') WITH ORDINALITY AS piece(m, n)
$$;
