-- The fleet database in SQLite: times are ISO 8601 UTC text ("2026-12-07T20:44:46Z"), which
-- sorts as time does; an item's fields are a JSON object as text.
CREATE TABLE IF NOT EXISTS machine (
  machine_id TEXT PRIMARY KEY,
  computer TEXT NOT NULL,
  id_source TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS scan (
  machine_id TEXT NOT NULL,
  scan_time TEXT NOT NULL,
  level INTEGER NOT NULL,
  file TEXT NOT NULL,
  computer TEXT NOT NULL,
  id_source TEXT NOT NULL,
  PRIMARY KEY (machine_id, scan_time)
);
CREATE TABLE IF NOT EXISTS category_status (
  machine_id TEXT NOT NULL,
  scan_time TEXT NOT NULL,
  category TEXT NOT NULL,
  status TEXT NOT NULL,
  reason TEXT,
  PRIMARY KEY (machine_id, scan_time, category)
);
CREATE TABLE IF NOT EXISTS item_version (
  machine_id TEXT NOT NULL,
  category TEXT NOT NULL,
  item_key TEXT NOT NULL,
  fields_hash TEXT NOT NULL,
  fields TEXT NOT NULL,
  first_seen TEXT NOT NULL,
  last_seen TEXT NOT NULL,
  gone_at TEXT,
  PRIMARY KEY (machine_id, category, item_key, first_seen)
);
CREATE INDEX IF NOT EXISTS item_version_current ON item_version (category, machine_id)
  WHERE gone_at IS NULL;

-- What one report stages before the history takes it.
CREATE TEMP TABLE IF NOT EXISTS new_scan (
  machine_id TEXT, scan_time TEXT, level INTEGER, file TEXT, computer TEXT, id_source TEXT);
CREATE TEMP TABLE IF NOT EXISTS new_status (
  machine_id TEXT, scan_time TEXT, category TEXT, status TEXT, reason TEXT);
CREATE TEMP TABLE IF NOT EXISTS new_item (
  machine_id TEXT, scan_time TEXT, category TEXT, item_key TEXT, fields_hash TEXT, fields TEXT);
