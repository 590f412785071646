CREATE TABLE bench (id INTEGER, name VARCHAR(40), city VARCHAR(20), amount DOUBLE, qty INTEGER,
                    joined DATE, code VARCHAR(10), note VARCHAR(40), score DOUBLE, active INTEGER);
