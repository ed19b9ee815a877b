-- Loads the NDJSON rows of `sysinfo-fleet rows` into the fleet database with COPY, then applies
-- the history with the same SQL the SQLite file uses, all in one transaction:
--   psql -v ON_ERROR_STOP=1 -f postgres_load.sql < rows.ndjson
-- Each line is taken whole as one CSV field (no byte of JSON text is a delimiter or quote
-- there: JSON escapes control characters), so backslashes in Windows paths arrive as written.
\set ON_ERROR_STOP on
BEGIN;
CREATE TEMP TABLE raw_row (line text) ON COMMIT DROP;
\copy raw_row (line) FROM pstdin WITH (FORMAT csv, DELIMITER E'\x01', QUOTE E'\x02')
CREATE TEMP TABLE fleet_row ON COMMIT DROP AS SELECT line::jsonb AS j FROM raw_row;

CREATE TEMP TABLE new_scan ON COMMIT DROP AS
SELECT DISTINCT ON (j->>'machineId', j->>'scanTime')
       j->>'machineId' AS machine_id, j->>'scanTime' AS scan_time, (j->>'level')::integer AS level,
       j->>'file' AS file, j->>'computer' AS computer, j->>'idSource' AS id_source
FROM fleet_row WHERE j->>'row' = 'scan'
ORDER BY j->>'machineId', j->>'scanTime', j->>'file';

CREATE TEMP TABLE new_status ON COMMIT DROP AS
SELECT DISTINCT ON (j->>'machineId', j->>'scanTime', j->>'category')
       j->>'machineId' AS machine_id, j->>'scanTime' AS scan_time, j->>'category' AS category,
       j->>'status' AS status, j->>'reason' AS reason
FROM fleet_row WHERE j->>'row' = 'status';

-- The version keeps the fields that do not change by themselves, as the SQLite file does.
CREATE TEMP TABLE new_item ON COMMIT DROP AS
SELECT DISTINCT ON (j->>'machineId', j->>'scanTime', j->>'category', j->>'key')
       j->>'machineId' AS machine_id, j->>'scanTime' AS scan_time, j->>'category' AS category,
       j->>'key' AS item_key, j->>'hash' AS fields_hash,
       (j->'fields') - COALESCE(ARRAY(SELECT jsonb_array_elements_text(j->'changing')),
                                '{}'::text[]) AS fields
FROM fleet_row WHERE j->>'row' = 'item';

\ir history.sql
COMMIT;
