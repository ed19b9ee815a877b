-- The history of what was staged (new_scan, new_status, new_item) applied to the fleet's tables,
-- the same text in SQLite and PostgreSQL. Every scan's items are intervals: a version of an item
-- is a run of consecutive finished scans of its machine and category in which the item was there
-- with the same fields. A scan taken in among held ones recomputes the runs from the finished scan
-- before it, so the tables hold the same whatever order the scans came in.

-- A scan already held changes nothing; of two files holding one scan, the first by name is kept.
UPDATE scan SET file = (SELECT MIN(n.file) FROM new_scan n
                        WHERE n.machine_id = scan.machine_id AND n.scan_time = scan.scan_time)
WHERE (machine_id, scan_time) IN (SELECT n.machine_id, n.scan_time FROM new_scan n
                                  JOIN scan s ON s.machine_id = n.machine_id
                                             AND s.scan_time = n.scan_time
                                  WHERE n.file < s.file);
DELETE FROM new_item WHERE EXISTS (SELECT 1 FROM scan s WHERE s.machine_id = new_item.machine_id
                                                          AND s.scan_time = new_item.scan_time);
DELETE FROM new_status WHERE EXISTS (SELECT 1 FROM scan s
                                     WHERE s.machine_id = new_status.machine_id
                                       AND s.scan_time = new_status.scan_time);
DELETE FROM new_scan WHERE EXISTS (SELECT 1 FROM scan s WHERE s.machine_id = new_scan.machine_id
                                                          AND s.scan_time = new_scan.scan_time);

-- Each machine's category read whole in a new scan, and the finished scan held before the first
-- such new one ('' when none is): the runs from there on are recomputed. A scan that failed or
-- timed out read only part of its category, so it closes and opens nothing.
CREATE TEMP TABLE affected AS
WITH firsts AS (
  SELECT machine_id, category, MIN(scan_time) AS first_new FROM new_status
  WHERE status NOT IN ('failed', 'timed_out') GROUP BY machine_id, category)
SELECT f.machine_id, f.category,
       COALESCE((SELECT MAX(c.scan_time) FROM category_status c
                 WHERE c.machine_id = f.machine_id AND c.category = f.category
                   AND c.status NOT IN ('failed', 'timed_out') AND c.scan_time < f.first_new),
                '') AS low
FROM firsts f;

INSERT INTO scan (machine_id, scan_time, level, file, computer, id_source)
SELECT machine_id, scan_time, level, file, computer, id_source FROM new_scan;
INSERT INTO category_status (machine_id, scan_time, category, status, reason)
SELECT machine_id, scan_time, category, status, reason FROM new_status;

-- The finished scans from there on, numbered, each with the next.
CREATE TEMP TABLE span AS
SELECT c.machine_id, c.category, c.scan_time,
       ROW_NUMBER() OVER (PARTITION BY c.machine_id, c.category ORDER BY c.scan_time) AS position,
       LEAD(c.scan_time) OVER (PARTITION BY c.machine_id, c.category ORDER BY c.scan_time)
         AS next_time
FROM category_status c
JOIN affected a ON a.machine_id = c.machine_id AND a.category = c.category
WHERE c.status NOT IN ('failed', 'timed_out') AND c.scan_time >= a.low;

-- What each of those scans saw: the new scans' items, and the held versions spread over the held
-- scans they cover. A version running from before `low` keeps its first sighting.
CREATE TEMP TABLE sighting AS
SELECT i.machine_id, i.category, i.item_key, i.fields_hash, i.fields, i.scan_time,
       CAST(NULL AS TEXT) AS since
FROM new_item i
JOIN affected a ON a.machine_id = i.machine_id AND a.category = i.category
JOIN new_status s ON s.machine_id = i.machine_id AND s.scan_time = i.scan_time
                 AND s.category = i.category AND s.status NOT IN ('failed', 'timed_out')
UNION ALL
SELECT v.machine_id, v.category, v.item_key, v.fields_hash, v.fields, p.scan_time,
       CASE WHEN p.scan_time = a.low THEN v.first_seen END
FROM item_version v
JOIN affected a ON a.machine_id = v.machine_id AND a.category = v.category
JOIN span p ON p.machine_id = v.machine_id AND p.category = v.category
           AND p.scan_time >= v.first_seen AND p.scan_time <= v.last_seen
WHERE v.last_seen >= a.low
  AND NOT EXISTS (SELECT 1 FROM new_scan n
                  WHERE n.machine_id = p.machine_id AND n.scan_time = p.scan_time);

-- Runs: sightings of one item with one hash in consecutive finished scans share `run`.
CREATE TEMP TABLE run_sighting AS
SELECT s.machine_id, s.category, s.item_key, s.fields_hash, s.fields, s.scan_time, s.since,
       p.position - ROW_NUMBER() OVER (PARTITION BY s.machine_id, s.category, s.item_key,
                                                    s.fields_hash
                                       ORDER BY s.scan_time) AS run
FROM sighting s
JOIN span p ON p.machine_id = s.machine_id AND p.category = s.category
           AND p.scan_time = s.scan_time;

DELETE FROM item_version
WHERE (machine_id, category, item_key, first_seen) IN (
  SELECT v.machine_id, v.category, v.item_key, v.first_seen FROM affected a
  JOIN item_version v ON v.machine_id = a.machine_id AND v.category = a.category
  WHERE v.last_seen >= a.low);

-- A version is gone at the next finished scan after its run: the item was missing or changed there.
INSERT INTO item_version (machine_id, category, item_key, fields_hash, fields, first_seen,
                          last_seen, gone_at)
SELECT r.machine_id, r.category, r.item_key, r.fields_hash, r.fields,
       COALESCE(r.since, r.scan_time), r.last_time, p.next_time
FROM (SELECT s.*,
             ROW_NUMBER() OVER (PARTITION BY machine_id, category, item_key, fields_hash, run
                                ORDER BY scan_time) AS nth,
             MAX(scan_time) OVER (PARTITION BY machine_id, category, item_key, fields_hash, run)
               AS last_time
      FROM run_sighting s) r
JOIN span p ON p.machine_id = r.machine_id AND p.category = r.category
           AND p.scan_time = r.last_time
WHERE r.nth = 1;

-- A machine is named as its latest scan names it.
DELETE FROM machine WHERE machine_id IN (SELECT machine_id FROM new_scan);
INSERT INTO machine (machine_id, computer, id_source)
SELECT s.machine_id, s.computer, s.id_source FROM scan s
WHERE s.machine_id IN (SELECT machine_id FROM new_scan)
  AND s.scan_time = (SELECT MAX(t.scan_time) FROM scan t WHERE t.machine_id = s.machine_id);

DROP TABLE run_sighting;
DROP TABLE sighting;
DROP TABLE span;
DROP TABLE affected;
DELETE FROM new_item;
DELETE FROM new_status;
DELETE FROM new_scan;
