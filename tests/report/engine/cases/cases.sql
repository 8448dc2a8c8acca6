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
