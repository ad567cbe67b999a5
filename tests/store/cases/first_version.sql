-- A collection as the first version wrote it.
CREATE TABLE charts (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE COLLATE NOCASE, birth_date TEXT NOT NULL, birth_time TEXT NOT NULL, birth_zone TEXT NOT NULL, place TEXT NOT NULL DEFAULT '', latitude REAL, longitude REAL, zodiac TEXT NOT NULL DEFAULT '', note TEXT NOT NULL DEFAULT '');
CREATE TABLE tags (chart_id INTEGER NOT NULL REFERENCES charts(id) ON DELETE CASCADE, position INTEGER NOT NULL, tag TEXT NOT NULL, PRIMARY KEY (chart_id, position));
INSERT INTO charts VALUES (7, 'Old Friend', '1950-01-02', '03:04', 'GMT', 'Paris', 48.85, 2.35, '', 'kept');
INSERT INTO tags VALUES (7, 0, 'family'), (7, 1, 'old');
PRAGMA user_version = 1;
