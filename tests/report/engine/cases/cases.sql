-- The tables the engine cases read.
CREATE TABLE shop (id INTEGER PRIMARY KEY, region TEXT, city TEXT, name TEXT, amount INTEGER);
INSERT INTO shop (region, city, name, amount) VALUES
  ('North', 'Beijing', 'Alpha', 10), ('North', 'Beijing', 'Beta', 20), ('North', 'Tianjin', 'Gamma', 30),
  ('South', 'Guangzhou', 'Delta', 40), ('South', 'Shenzhen', 'Epsilon', 50), ('South', 'Shenzhen', 'Zeta', 60),
  ('West', 'Chengdu', 'Eta', 70);
CREATE TABLE item (id INTEGER PRIMARY KEY, name TEXT, kind TEXT);
INSERT INTO item (name, kind) VALUES
  ('bolt', 'A'), ('nut', 'A'), ('washer', 'A'), ('screw', 'B'), ('rivet', 'B'), ('spring', 'C'), ('pin', 'C'),
  ('clip', 'C'), ('hook', 'D'), ('ring', 'D');
CREATE TABLE note (id INTEGER PRIMARY KEY, body TEXT);
INSERT INTO note (body) VALUES
  ('The first paragraph of a long note that runs over several lines of its column and keeps going so that the band must grow.'),
  ('Short.');
CREATE TABLE blank (id INTEGER);
-- Values for aggregates: numbers with Nulls, and numbers kept as text.
CREATE TABLE val (id INTEGER PRIMARY KEY, grp TEXT, n INTEGER, txt TEXT);
INSERT INTO val (grp, n, txt) VALUES ('a', 2, '1'), ('a', NULL, '2'), ('a', 4, '3'), ('b', NULL, '4'), ('b', NULL, '5');
-- Order lines for the page-edge cases: 120 lines in 8 groups of uneven
-- size, notes from empty to several lines long.
CREATE TABLE line (id INTEGER PRIMARY KEY, grp TEXT, qty INTEGER, name TEXT, note TEXT);
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 120)
INSERT INTO line (id, grp, qty, name, note)
SELECT i, 'G' || CASE WHEN i <= 3 THEN 1 WHEN i <= 40 THEN 2 WHEN i <= 41 THEN 3 WHEN i <= 60 THEN 4
                      WHEN i <= 90 THEN 5 WHEN i <= 100 THEN 6 WHEN i <= 119 THEN 7 ELSE 8 END,
       i % 7 + 1, 'item ' || i,
       CASE WHEN i % 5 = 0 THEN '' ELSE 'note ' || i || ' ' || replace(hex(zeroblob((i * 13) % 40)), '00', 'word ') END
FROM n;
